#include "command/MacroCommand.h"
#include "platform/Win32Platform.h"
#include "platform/Win32Registry.h"
#include "plugin/ExportCall.h"

extern "C" void QUORVIN_API OnCommand(quorvin::WindowHandle window) {
    quorvin::Win32Platform platform;
    quorvin::Win32Registry registry;
    // An exception must never unwind into the editor; the only one the
    // standard library can raise here is running out of memory, and then
    // the command simply does less.
    try {
        quorvin::RunMacroMenuCommand(platform, registry, quorvin::ProcessTexts(), window);
    } catch (...) {
    }
}
