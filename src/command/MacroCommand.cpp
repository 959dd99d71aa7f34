#include "command/MacroCommand.h"

#include "common/CodePage.h"
#include "common/Module.h"
#include "menu/MacroMenuBuilder.h"
#include "menu/MacroNames.h"
#include "plugin/HostInterface.h"
#include "resources/ResourceIds.h"
#include "settings/HostSettings.h"
#include "settings/LoanJournal.h"

namespace quorvin {

namespace {

// Past nine items, style 2 gives the folder item the next letter instead of &O.
constexpr int kItemsBeforeFolderLetter = 9;

// From the UTF-16 string table, so that no code page turns it into "?".
WideString OpenFolderLabel(Platform& platform, int itemCount, std::int32_t style) {
    if (style == 2 && itemCount > kItemsBeforeFolderLetter) {
        return FromCodePage(platform, AcceleratorPrefix(itemCount, style)) +
               platform.LoadWideString(ModuleInstance(), IDS_OPEN_FOLDER);
    }
    return platform.LoadWideString(ModuleInstance(), IDS_OPEN_FOLDER_WITH_ACCELERATOR);
}

}  // namespace

void RunMacroMenuCommand(Platform& platform, WindowHandle window, const WalkLimits& limits) {
    RepairLoans(platform);
    const AnsiString folder = ReadHostString(platform, kCommonKey, kMacroFolderValue);
    if (folder.empty()) {
        const AnsiString text = LoadResourceString(platform, IDS_NO_MACROS);
        platform.SendWindowMessage(window, kHostMsgNoMacroFolder, 0,
                                   reinterpret_cast<LParam>(text.c_str()));
        return;
    }
    MacroMenuBuilder builder(platform, limits);
    const std::int32_t style = ReadAcceleratorStyle(platform);
    PopupMenu& menu = builder.BuildFolderMenu(folder, style);
    const int itemCount = menu.count();
    menu.AppendSeparator();
    menu.AppendCommand(kOpenFolderCommand, OpenFolderLabel(platform, itemCount, style), false,
                       false, false);

    const std::uint32_t chosen = menu.Show(window);
    if (builder.IsRegisteredCommand(chosen)) {
        platform.PostWindowMessage(window, kHostMsgRunCommand, chosen, 0);
    } else if (chosen == kOpenFolderCommand) {
        platform.ShellExecuteVerb(window, "open", folder.c_str(), nullptr, folder.c_str(), kSwShow);
    } else if (builder.IsPathCommand(chosen)) {
        LaunchThroughFirstSlot(platform, builder.PathAt(chosen), window);
    }
    // Anything else, 0 included, is a dismissed menu.
}

void LaunchThroughFirstSlot(Platform& platform, const AnsiString& path, WindowHandle window) {
    MacroSlotLoan loan(platform);
    if (!loan.Begin(path)) {
        return;
    }
    platform.SendWindowMessage(window, kHostMsgRunCommand, kRegisteredMacroBase, 0);
    loan.End();
}

}  // namespace quorvin
