#include "platform/Win32Platform.h"
#include "platform/Win32Registry.h"
#include "plugin/ExportCall.h"
#include "plugin/PluginQueries.h"
#include "resources/ResourceIds.h"

namespace {

quorvin::StartupRepair startupRepair;

void RepairLeftLoans(quorvin::WindowHandle window) {
    quorvin::Win32Platform platform;
    quorvin::Win32Registry registry;
    startupRepair.AtCall(platform, registry, window);
}

}  // namespace

// The editor's view of the plug-in, besides OnCommand. No exception may
// unwind into the editor: each export answers as a failure would instead.
extern "C" {

int QUORVIN_API QueryStatus(quorvin::WindowHandle window, int* checked) {
    RepairLeftLoans(window);
    return quorvin::QueryCommandStatus(checked) ? 1 : 0;
}

void QUORVIN_API OnEvents(quorvin::WindowHandle window, unsigned events, quorvin::LParam value) {
    quorvin::Win32Platform platform;
    RepairLeftLoans(window);
    quorvin::HandleEvents(platform, window, events, value);
}

unsigned QUORVIN_API GetMenuTextID() { return IDS_MENU_TEXT; }

unsigned QUORVIN_API GetStatusMessageID() { return IDS_STATUS_MESSAGE; }

unsigned QUORVIN_API GetBitmapID() { return quorvin::kDefaultBitmap; }

quorvin::LResult QUORVIN_API PlugInProc(quorvin::WindowHandle window, unsigned code,
                                        quorvin::WParam wParam, quorvin::LParam lParam) {
    quorvin::Win32Platform platform;
    quorvin::Win32Registry registry;
    RepairLeftLoans(window);
    return quorvin::AnswerPlugInQuery(platform, registry, window, code, wParam, lParam);
}

}  // extern "C"
