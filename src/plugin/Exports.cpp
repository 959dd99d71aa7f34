#include "platform/Win32Platform.h"
#include "plugin/ExportCall.h"
#include "plugin/PluginQueries.h"
#include "resources/ResourceIds.h"

// The editor's view of the plug-in, besides OnCommand.
extern "C" {

int QUORVIN_API QueryStatus(quorvin::WindowHandle, int* checked) {
    return quorvin::QueryCommandStatus(checked) ? 1 : 0;
}

void QUORVIN_API OnEvents(quorvin::WindowHandle window, unsigned events, quorvin::LParam value) {
    quorvin::Win32Platform platform;
    quorvin::HandleEvents(platform, window, events, value);
}

unsigned QUORVIN_API GetMenuTextID() { return IDS_MENU_TEXT; }

unsigned QUORVIN_API GetStatusMessageID() { return IDS_STATUS_MESSAGE; }

unsigned QUORVIN_API GetBitmapID() { return quorvin::kDefaultBitmap; }

quorvin::LResult QUORVIN_API PlugInProc(quorvin::WindowHandle window, unsigned code,
                                        quorvin::WParam wParam, quorvin::LParam lParam) {
    quorvin::Win32Platform platform;
    return quorvin::AnswerPlugInQuery(platform, window, code, wParam, lParam);
}

}  // extern "C"
