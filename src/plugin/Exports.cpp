#include "platform/Win32Platform.h"
#include "plugin/ExportCall.h"
#include "plugin/PluginQueries.h"
#include "resources/ResourceIds.h"
#include "settings/EditorSettings.h"

namespace {

bool repairedAtFirstCall = false;

// The editor asks for the plug-in's state at start-up: the first call that
// names the editor's window repairs a loan of Macro0 that an editor which
// died left behind, before the user sees anything. Only the window tells
// where this editor keeps its settings, so calls without one wait for it.
void RepairLeftLoans(quorvin::WindowHandle window) {
    if (repairedAtFirstCall || window == nullptr) return;
    repairedAtFirstCall = true;
    quorvin::Win32Platform platform;
    try {
        quorvin::RepairEditorLoans(platform, window);
    } catch (...) {
    }
}

}  // namespace

// The editor's view of the plug-in, besides OnCommand. No exception may
// unwind into the editor: the only one the standard library can raise here
// is running out of memory, and the export then answers as a failure would.
extern "C" {

int QUORVIN_API QueryStatus(quorvin::WindowHandle window, int* checked) {
    RepairLeftLoans(window);
    return quorvin::QueryCommandStatus(checked) ? 1 : 0;
}

void QUORVIN_API OnEvents(quorvin::WindowHandle window, unsigned events, quorvin::LParam value) {
    try {
        quorvin::Win32Platform platform;
        RepairLeftLoans(window);
        quorvin::HandleEvents(platform, window, events, value);
    } catch (...) {
    }
}

unsigned QUORVIN_API GetMenuTextID() { return IDS_MENU_TEXT; }

unsigned QUORVIN_API GetStatusMessageID() { return IDS_STATUS_MESSAGE; }

unsigned QUORVIN_API GetBitmapID() { return quorvin::kDefaultBitmap; }

quorvin::LResult QUORVIN_API PlugInProc(quorvin::WindowHandle window, unsigned code,
                                        quorvin::WParam wParam, quorvin::LParam lParam) {
    try {
        quorvin::Win32Platform platform;
        RepairLeftLoans(window);
        return quorvin::AnswerPlugInQuery(platform, window, code, wParam, lParam);
    } catch (...) {
        return 0;
    }
}

}  // extern "C"
