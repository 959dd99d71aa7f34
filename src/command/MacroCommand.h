#pragma once

#include "common/AnsiString.h"
#include "menu/MacroMenuBuilder.h"
#include "platform/Platform.h"

namespace quorvin {

// The plug-in's command: the macro menu at the cursor, and the chosen item
// carried out.
void RunMacroMenuCommand(Platform& platform, WindowHandle window,
                         const WalkLimits& limits = WalkLimits());

// Runs a macro the editor has not registered by lending it the first
// registered slot (Macro0) for one synchronous editor command.
void LaunchThroughFirstSlot(Platform& platform, const AnsiString& path, WindowHandle window);

}  // namespace quorvin
