#include <cstdint>

#include "platform/Win32Platform.h"
#include "platform/Win32Registry.h"
#include "plugin/ExportCall.h"
#include "plugin/PluginQueries.h"
#include "resources/ResourceIds.h"

namespace {

quorvin::EditorStartup startup;

void StartUpAtTheFirstWindow(quorvin::WindowHandle window) {
    quorvin::Win32Platform platform;
    quorvin::Win32Registry registry;
    startup.AtCall(platform, registry, quorvin::ProcessTexts(), window);
}

unsigned TextIdBeforeAnyWindow(std::uint32_t japaneseId) {
    try {
        quorvin::Win32Platform platform;
        quorvin::Win32Registry registry;
        quorvin::ProcessTexts().GuessUnlessAnswered(platform, registry);
    } catch (...) {
    }
    return quorvin::ProcessTexts().Id(japaneseId);
}

}  // namespace

// The editor's view of the plug-in, besides OnCommand. No exception may
// unwind into the editor: each export answers as a failure would instead.
extern "C" {

int QUORVIN_API QueryStatus(quorvin::WindowHandle window, int* checked) {
    StartUpAtTheFirstWindow(window);
    return quorvin::QueryCommandStatus(checked) ? 1 : 0;
}

void QUORVIN_API OnEvents(quorvin::WindowHandle window, unsigned events, quorvin::LParam value) {
    quorvin::Win32Platform platform;
    quorvin::Win32Registry registry;
    StartUpAtTheFirstWindow(window);
    try {
        quorvin::HandleEvents(platform, registry, quorvin::ProcessTexts(), window, events, value);
    } catch (...) {
    }
}

// No window: the language last learned; before the editor answers, the one
// it answered last time, else the user's own.
unsigned QUORVIN_API GetMenuTextID() { return TextIdBeforeAnyWindow(IDS_MENU_TEXT); }

unsigned QUORVIN_API GetStatusMessageID() { return TextIdBeforeAnyWindow(IDS_STATUS_MESSAGE); }

unsigned QUORVIN_API GetBitmapID() { return quorvin::kDefaultBitmap; }

quorvin::LResult QUORVIN_API PlugInProc(quorvin::WindowHandle window, unsigned code,
                                        quorvin::WParam wParam, quorvin::LParam lParam) {
    quorvin::Win32Platform platform;
    quorvin::Win32Registry registry;
    StartUpAtTheFirstWindow(window);
    return quorvin::AnswerPlugInQuery(platform, registry, quorvin::ProcessTexts(), window, code,
                                      wParam, lParam);
}

}  // extern "C"
