#pragma once

#include "common/AnsiString.h"
#include "menu/MacroMenuBuilder.h"
#include "platform/Platform.h"
#include "platform/SettingsStore.h"
#include "plugin/PluginTexts.h"

namespace quorvin {

// The plug-in's command: the macro menu at the cursor, and the chosen item
// carried out, with the editor's settings from the store it keeps them in
// and the plug-in's own texts in the editor's language.
void RunMacroMenuCommand(Platform& system, SettingsStore& registry, PluginTexts& texts,
                         WindowHandle window, const WalkLimits& limits = WalkLimits());

// Runs a macro the editor has not registered by lending it the first
// registered slot (Macro0) for one synchronous editor command; false when
// nothing was lent, and so nothing ran.
bool LaunchThroughFirstSlot(Platform& platform, SettingsStore& store, const WideString& path,
                            WindowHandle window);

}  // namespace quorvin
