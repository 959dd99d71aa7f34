#include "platform/Win32Platform.h"
#include "plugin/ExportCall.h"
#include "plugin/PluginQueries.h"
#include "resources/ResourceIds.h"
#include "settings/LoanJournal.h"

namespace {

// The editor asks for the plug-in's name, texts and state at start-up: the
// first call of any export in a process repairs a loan of Macro0 that an
// editor which died left behind, before the user sees anything.
void RepairLeftLoans() {
    quorvin::Win32Platform platform;
    try {
        quorvin::RepairLoansAtFirstCall(platform);
    } catch (...) {
    }
}

}  // namespace

// The editor's view of the plug-in, besides OnCommand.
extern "C" {

int QUORVIN_API QueryStatus(quorvin::WindowHandle, int* checked) {
    RepairLeftLoans();
    return quorvin::QueryCommandStatus(checked) ? 1 : 0;
}

void QUORVIN_API OnEvents(quorvin::WindowHandle window, unsigned events, quorvin::LParam value) {
    quorvin::Win32Platform platform;
    RepairLeftLoans();
    quorvin::HandleEvents(platform, window, events, value);
}

unsigned QUORVIN_API GetMenuTextID() {
    RepairLeftLoans();
    return IDS_MENU_TEXT;
}

unsigned QUORVIN_API GetStatusMessageID() {
    RepairLeftLoans();
    return IDS_STATUS_MESSAGE;
}

unsigned QUORVIN_API GetBitmapID() {
    RepairLeftLoans();
    return quorvin::kDefaultBitmap;
}

quorvin::LResult QUORVIN_API PlugInProc(quorvin::WindowHandle window, unsigned code,
                                        quorvin::WParam wParam, quorvin::LParam lParam) {
    quorvin::Win32Platform platform;
    RepairLeftLoans();
    return quorvin::AnswerPlugInQuery(platform, window, code, wParam, lParam);
}

}  // extern "C"
