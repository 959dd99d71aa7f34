#include "command/MacroCommand.h"

#include "command/EditorCommands.h"
#include "common/Module.h"
#include "menu/CommandIds.h"
#include "menu/MacroMenuBuilder.h"
#include "menu/MacroNames.h"
#include "resources/ResourceIds.h"
#include "settings/EditorSettings.h"
#include "settings/HostSettings.h"
#include "settings/LoanJournal.h"

namespace quorvin {

namespace {

// Past nine items, style 2 gives the folder item the letter of the number of
// items shown instead of &O.
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

// "%1" in the text, once, replaced by the file's name as a menu shows it.
WideString RunAgainLabel(Platform& platform, const PluginTexts& texts, const WideString& path) {
    const WideString name = path.substr(path.find_last_of(u'\\') + 1);
    WideString label = platform.LoadWideString(ModuleInstance(), texts.Id(IDS_RUN_AGAIN));
    const std::size_t at = label.find(u"%1");
    if (at != WideString::npos) label.replace(at, 2, EscapeAccelerators(name.c_str()));
    return label;
}

// Names a file, not a folder, that exists now.
bool IsFile(Platform& platform, const WideString& path) {
    std::uint32_t attributes = 0;
    return platform.FileAttributesOf(path.c_str(), &attributes) &&
           (attributes & kFileAttributeDirectory) == 0;
}

// What the user picked, copied out of the menu so that the menu can go first.
struct MenuChoice {
    enum class Kind { kNothing, kRegistered, kOpenFolder, kPath, kOpenFile } kind = Kind::kNothing;
    std::uint32_t id = 0;
    WideString path;  // what Macro0 is lent, for kPath
    WideString file;  // the macro's full path, for all but kOpenFolder
};

// Builds the menu, shows it and destroys every menu of it before returning.
MenuChoice ChooseFromMenu(Platform& platform, SettingsStore& store, const PluginTexts& texts,
                          WindowHandle window, const WideString& folder,
                          const WideString& lastMacro, const WalkLimits& limits) {
    MacroMenuBuilder builder(platform, store, limits);
    const std::int32_t style = ReadAcceleratorStyle(store);
    PopupMenu& menu = builder.BuildFolderMenu(folder, style);
    const int itemCount = menu.count();
    menu.AppendSeparator();
    const bool runsAgain = !lastMacro.empty() && IsFile(platform, lastMacro);
    if (runsAgain) {
        menu.AppendCommand(kRunAgainCommand, RunAgainLabel(platform, texts, lastMacro),
                           !builder.PrepareRunAgain(lastMacro), false, false);
    }
    menu.AppendCommand(kOpenFolderCommand, OpenFolderLabel(platform, texts, itemCount, style),
                       false, false, false);

    MenuChoice choice;
    bool withModifier = false;
    choice.id = menu.Show(window, &withModifier);
    if (choice.id == kOpenFolderCommand) {
        choice.kind = MenuChoice::Kind::kOpenFolder;
        return choice;
    }
    if (runsAgain && choice.id == kRunAgainCommand) {
        choice.file = lastMacro;
        choice.id = builder.RunAgainRegisteredId();
        if (choice.id != 0) {
            choice.kind = MenuChoice::Kind::kRegistered;
        } else {
            choice.kind = MenuChoice::Kind::kPath;
            choice.path = builder.RunAgainLendPath();
        }
    } else if (builder.IsRegisteredCommand(choice.id)) {
        choice.kind = MenuChoice::Kind::kRegistered;
        choice.file = builder.FileOf(choice.id);
    } else if (builder.IsPathCommand(choice.id)) {
        choice.kind = MenuChoice::Kind::kPath;
        choice.path = builder.LendPathAt(choice.id);
        choice.file = builder.FileOf(choice.id);
    }
    // Anything else, 0 included, is a dismissed menu. A macro picked with
    // Shift or Ctrl is opened for editing instead of run.
    if (withModifier && choice.kind != MenuChoice::Kind::kNothing) {
        choice.kind = MenuChoice::Kind::kOpenFile;
    }
    return choice;
}

// Only a folder is handed to the shell: "open" on a file would run it.
void OpenFolder(Platform& platform, WindowHandle window, const WideString& folder) {
    std::uint32_t attributes = 0;
    if (!platform.FileAttributesOf(folder.c_str(), &attributes) ||
        (attributes & kFileAttributeDirectory) == 0) {
        return;
    }
    platform.ShellExecuteVerb(window, u"open", folder.c_str(), nullptr, folder.c_str(), kSwShow);
}

void TellNoMacroFolder(Platform& platform, const PluginTexts& texts, WindowHandle window) {
    if (texts.english()) {
        // In UTF-16: the narrow message shows English under a Western code
        // page, but the design's Japanese text as question marks.
        const WideString text = platform.LoadWideString(ModuleInstance(), texts.Id(IDS_NO_MACROS));
        platform.SendWindowMessage(window, kHostMsgSetStatusText, 0,
                                   reinterpret_cast<LParam>(text.c_str()));
        return;
    }
    const AnsiString text = LoadResourceString(platform, IDS_NO_MACROS);
    platform.SendWindowMessage(window, kHostMsgNoMacroFolder, 0,
                               reinterpret_cast<LParam>(text.c_str()));
}

void RunCommand(Platform& platform, SettingsStore& registry, PluginTexts& texts,
                WindowHandle window, const WalkLimits& limits) {
    texts.FollowEditor(platform, registry, window, false);
    SettingsChoice settings(platform, registry, window);
    SettingsStore& store = settings.store();
    RepairLoans(platform, store);
    // In its true text: the code page need not hold it.
    const WideString folder =
        store.ResolveSettingPath(ReadHostString(platform, store, kCommonKey, kMacroFolderValue));
    if (folder.empty()) {
        TellNoMacroFolder(platform, texts, window);
        return;
    }
    const WideString lastMacro = ReadLastMacro(store);
    // No menu of the command stays alive while the macro runs, which may take
    // minutes and open commands of its own: each holds up to 4,096 USER objects.
    const MenuChoice choice =
        ChooseFromMenu(platform, store, texts, window, folder, lastMacro, limits);
    bool ran = false;
    switch (choice.kind) {
        case MenuChoice::Kind::kRegistered:
            ran = platform.PostWindowMessage(window, kHostMsgRunCommand, choice.id, 0);
            break;
        case MenuChoice::Kind::kOpenFolder:
            OpenFolder(platform, window, folder);
            break;
        case MenuChoice::Kind::kPath:
            ran = LaunchThroughFirstSlot(platform, store, choice.path, window);
            break;
        case MenuChoice::Kind::kOpenFile:
            // Opened or not, nothing else: no fall-back may run the file.
            platform.SendWindowMessage(platform.RootOwnerOf(window), kHostMsgLoadFile, 0,
                                       reinterpret_cast<LParam>(choice.file.c_str()));
            break;
        case MenuChoice::Kind::kNothing:
            break;
    }
    if (ran && !choice.file.empty() && choice.file != lastMacro) {
        RememberLastMacro(platform, store, choice.file);
    }
}

}  // namespace

void RunMacroMenuCommand(Platform& platform, SettingsStore& registry, PluginTexts& texts,
                         WindowHandle window, const WalkLimits& limits) {
    // An exception must never unwind into the editor; the only one the
    // standard library can raise here is running out of memory, and then the
    // command simply does less.
    try {
        RunCommand(platform, registry, texts, window, limits);
    } catch (...) {
    }
}

bool LaunchThroughFirstSlot(Platform& platform, SettingsStore& store, const WideString& path,
                            WindowHandle window) {
    MacroSlotLoan loan(platform, store);
    if (!loan.Begin(path)) {
        return false;
    }
    platform.SendWindowMessage(window, kHostMsgRunCommand, kRegisteredMacroBase, 0);
    loan.End();
    return true;
}

}  // namespace quorvin
