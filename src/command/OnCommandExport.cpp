#include "command/MacroCommand.h"
#include "platform/Win32Platform.h"
#include "platform/Win32Registry.h"
#include "plugin/ExportCall.h"

extern "C" void QUORVIN_API OnCommand(quorvin::WindowHandle window) {
    quorvin::Win32Platform platform;
    quorvin::Win32Registry registry;
    quorvin::RunMacroMenuCommand(platform, registry, quorvin::ProcessTexts(), window);
}
