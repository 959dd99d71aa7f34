#include "command/MacroCommand.h"

#include "common/Module.h"
#include "menu/MacroMenuBuilder.h"
#include "menu/MacroNames.h"
#include "plugin/HostInterface.h"
#include "resources/ResourceIds.h"
#include "settings/EditorSettings.h"
#include "settings/HostSettings.h"
#include "settings/LoanJournal.h"

namespace quorvin {

namespace {

// Past nine items, style 2 gives the folder item the next letter instead of &O.
constexpr int kItemsBeforeFolderLetter = 9;

// From the UTF-16 string table, so that no code page turns it into "?".
WideString OpenFolderLabel(Platform& platform, const PluginTexts& texts, int itemCount,
                           std::int32_t style) {
    if (style == 2 && itemCount > kItemsBeforeFolderLetter) {
        return AcceleratorPrefix(itemCount, style) +
               platform.LoadWideString(ModuleInstance(), texts.Id(IDS_OPEN_FOLDER));
    }
    return platform.LoadWideString(ModuleInstance(), texts.Id(IDS_OPEN_FOLDER_WITH_ACCELERATOR));
}

// What the user picked, copied out of the menu so that the menu can go first.
struct MenuChoice {
    enum class Kind { kNothing, kRegistered, kOpenFolder, kPath } kind = Kind::kNothing;
    std::uint32_t id = 0;
    WideString path;
};

// Builds the menu, shows it and destroys every menu of it before returning.
MenuChoice ChooseFromMenu(Platform& platform, SettingsStore& store, const PluginTexts& texts,
                          WindowHandle window, const WideString& folder, const WalkLimits& limits) {
    MacroMenuBuilder builder(platform, store, limits);
    const std::int32_t style = ReadAcceleratorStyle(store);
    PopupMenu& menu = builder.BuildFolderMenu(folder, style);
    const int itemCount = menu.count();
    menu.AppendSeparator();
    menu.AppendCommand(kOpenFolderCommand, OpenFolderLabel(platform, texts, itemCount, style),
                       false, false, false);

    MenuChoice choice;
    choice.id = menu.Show(window);
    if (builder.IsRegisteredCommand(choice.id)) {
        choice.kind = MenuChoice::Kind::kRegistered;
    } else if (choice.id == kOpenFolderCommand) {
        choice.kind = MenuChoice::Kind::kOpenFolder;
    } else if (builder.IsPathCommand(choice.id)) {
        choice.kind = MenuChoice::Kind::kPath;
        choice.path = builder.LendPathAt(choice.id);
    }
    // Anything else, 0 included, is a dismissed menu.
    return choice;
}

}  // namespace

void RunMacroMenuCommand(Platform& platform, SettingsStore& registry, PluginTexts& texts,
                         WindowHandle window, const WalkLimits& limits) {
    texts.FollowEditor(platform, window);
    SettingsChoice settings(platform, registry, window);
    SettingsStore& store = settings.store();
    RepairLoans(platform, store);
    // In its true text: the code page need not hold it.
    const WideString folder =
        store.ResolveSettingPath(ReadHostString(platform, store, kCommonKey, kMacroFolderValue));
    if (folder.empty()) {
        const AnsiString text = LoadResourceString(platform, IDS_NO_MACROS);
        platform.SendWindowMessage(window, kHostMsgNoMacroFolder, 0,
                                   reinterpret_cast<LParam>(text.c_str()));
        return;
    }
    // No menu of the command stays alive while the macro runs, which may take
    // minutes and open commands of its own: each holds up to 4,096 USER objects.
    const MenuChoice choice = ChooseFromMenu(platform, store, texts, window, folder, limits);
    switch (choice.kind) {
        case MenuChoice::Kind::kRegistered:
            platform.PostWindowMessage(window, kHostMsgRunCommand, choice.id, 0);
            break;
        case MenuChoice::Kind::kOpenFolder:
            platform.ShellExecuteVerb(window, u"open", folder.c_str(), nullptr, folder.c_str(),
                                      kSwShow);
            break;
        case MenuChoice::Kind::kPath:
            LaunchThroughFirstSlot(platform, store, choice.path, window);
            break;
        case MenuChoice::Kind::kNothing:
            break;
    }
}

void LaunchThroughFirstSlot(Platform& platform, SettingsStore& store, const WideString& path,
                            WindowHandle window) {
    MacroSlotLoan loan(platform, store);
    if (!loan.Begin(path)) {
        return;
    }
    platform.SendWindowMessage(window, kHostMsgRunCommand, kRegisteredMacroBase, 0);
    loan.End();
}

}  // namespace quorvin
