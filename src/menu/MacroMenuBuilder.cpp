#include "menu/MacroMenuBuilder.h"

#include <algorithm>
#include <string>
#include <utility>

#include "common/CodePage.h"
#include "common/OwnedHandle.h"
#include "menu/MacroNames.h"
#include "settings/HostSettings.h"
#include "settings/LoanJournal.h"

namespace quorvin {

namespace {

void CloseFind(Platform& platform, FindHandle find) { platform.FindClose(find); }
using FolderEnumeration = OwnedHandle<Platform, FindHandle, &CloseFind>;

bool IsPathOf(const WideString& text, const WalkFolder& folder, const char16_t* name,
              std::size_t length) {
    const std::size_t folderLength = folder.wide.size();
    return !text.empty() && text.size() == folderLength + length &&
           text.compare(0, folderLength, folder.wide) == 0 &&
           text.compare(folderLength, length, name, length) == 0;
}

// A setting names a macro by its true path (the folder and the name, not
// joined for every entry), by the editor's path when that is a short form, or
// by a short form of its own that expands to the true path: exactly, unit for
// unit, in letter case too.
bool NamesMacro(const MacroSetting& setting, const WalkFolder& folder, const char16_t* name,
                std::size_t length, const WideString& shortPath) {
    return IsPathOf(setting.text, folder, name, length) ||
           IsPathOf(setting.longForm, folder, name, length) ||
           (!setting.text.empty() && !shortPath.empty() && setting.text == shortPath);
}

// The setting's long form, asked once per command, not once per entry. Only a
// path that can hold a generated short name ("~") and that the call takes
// (shorter than MAX_PATH) is asked about: some systems' call fails badly on
// a path of 64 KiB.
MacroSetting SettingOf(Platform& platform, WideString text) {
    MacroSetting setting;
    setting.text = std::move(text);
    if (setting.text.size() < kMaxPath && setting.text.find(u'~') != WideString::npos &&
        platform.LongPathOf(setting.text.c_str(), &setting.longForm) &&
        setting.longForm == setting.text) {
        setting.longForm.clear();
    }
    return setting;
}

bool IsDotOrDotDot(const char16_t* name) {
    return name[0] == u'.' && (name[1] == u'\0' || (name[1] == u'.' && name[2] == u'\0'));
}

}  // namespace

MacroMenuBuilder::MacroMenuBuilder(Platform& platform, SettingsStore& store,
                                   const WalkLimits& limits)
    : platform_(platform), limits_(limits), lendsTruePaths_(store.LendsTruePaths()) {
    // The registered macros first, then the current one.
    RegisteredMacroList registered = RegisteredMacrosOutsideLoans(platform, store);
    for (WideString& path : registered.paths) {
        registered_.push_back(SettingOf(platform, std::move(path)));
    }
    firstIsKept_ = registered.firstIsKept;
    currentMacroFile_ = SettingOf(platform, store.ResolveSettingPath(ReadHostString(
                                                platform, store, kCommonKey, kMacroFileValue)));
    pathTable_.emplace_back();
}

MacroMenuBuilder::~MacroMenuBuilder() {
    // Newest first: every sub-menu goes before the menu that holds it.
    while (!menus_.empty()) {
        menus_.pop_front();
    }
}

PopupMenu& MacroMenuBuilder::NewMenu() {
    menus_.emplace_front(platform_);
    return menus_.front();
}

PopupMenu& MacroMenuBuilder::BuildFolderMenu(const WideString& folder, std::int32_t style) {
    PopupMenu& menu = NewMenu();
    if (menu.handle() == nullptr) {
        return menu;  // no USER objects left: nothing to show, nothing to walk
    }
    FolderChain chain(platform_);
    chain.Enter(folder, false);  // no link yet: always entered
    FillFolderMenu(menu, RootFolder(platform_, folder), style, chain);
    if (cut_) {
        // Tells the user that the list is cut.
        menu.AppendCommand(0, u"\u2026", true, false, false);
    }
    return menu;
}

bool MacroMenuBuilder::ListFolder(const WideString& pattern, std::size_t most,
                                  std::vector<char16_t>* names, std::vector<ListedEntry>* entries) {
    FindEntry entry;
    {
        // Closed before any sub-folder is walked: one enumeration open at a time.
        const FolderEnumeration find(platform_, platform_.FindFirst(pattern.c_str(), &entry));
        if (!find) {
            return false;
        }
        do {
            if (IsDotOrDotDot(entry.name)) {
                continue;
            }
            const std::size_t length = std::char_traits<char16_t>::length(entry.name);
            entries->push_back(ListedEntry{names->size(), length, entry.attributes});
            names->insert(names->end(), entry.name, entry.name + length + 1);  // terminated
        } while (entries->size() < most && platform_.FindNext(find.get(), &entry));
    }
    // NTFS lists a folder by name; FAT, exFAT and network shares list it in
    // the order its entries were written. Most listings come ordered.
    const char16_t* pool = names->data();
    auto before = [this, pool](const ListedEntry& a, const ListedEntry& b) {
        return platform_.CompareNames(pool + a.offset, a.length, pool + b.offset, b.length) < 0;
    };
    for (std::size_t i = 1; i < entries->size(); ++i) {
        if (before((*entries)[i], (*entries)[i - 1])) {
            std::stable_sort(entries->begin(), entries->end(), before);
            break;
        }
    }
    return true;
}

void MacroMenuBuilder::FillFolderMenu(PopupMenu& menu, const WalkFolder& folder, std::int32_t style,
                                      FolderChain& chain) {
    // The narrow enumeration took no pattern past MAX_PATH; neither does the
    // walk. The folder is still listed, with its sub-menu empty.
    const WideString pattern = folder.wide + u'*';
    if (pattern.size() >= kMaxPath) {
        return;
    }
    // One entry past what the walk may still take tells that it is cut.
    const std::size_t room = entryCount_ < limits_.entries ? limits_.entries - entryCount_ : 0;
    std::vector<char16_t> names;
    std::vector<ListedEntry> entries;
    if (!ListFolder(pattern, room + 1, &names, &entries)) {
        return;
    }
    int position = 0;
    for (const ListedEntry& entry : entries) {
        if (cut_ || entryCount_ >= limits_.entries) {
            cut_ = true;
            return;
        }
        ++entryCount_;
        AddEntry(menu, folder, names.data() + entry.offset, entry.length, entry.attributes,
                 position, style, chain);
        ++position;
    }
}

void MacroMenuBuilder::AddEntry(PopupMenu& menu, const WalkFolder& folder, const char16_t* name,
                                std::size_t length, std::uint32_t attributes, int position,
                                std::int32_t style, FolderChain& chain) {
    if ((attributes & kFileAttributeDirectory) != 0) {
        PopupMenu* submenu =
            menus_.size() < static_cast<std::size_t>(limits_.menus) ? &NewMenu() : nullptr;
        if (submenu == nullptr || submenu->handle() == nullptr) {
            // Past the cap, or out of USER objects: listed, but not walked.
            menu.AppendCommand(0, ItemLabel(position, style, name), true, false, false);
            return;
        }
        // A link back into a folder being walked would recurse for ever: list it,
        // but leave its menu empty.
        const bool isLink = (attributes & kFileAttributeReparsePoint) != 0;
        if (chain.Enter(folder.wide + name, isLink)) {
            FillFolderMenu(*submenu, SubFolder(platform_, folder, name, length), style, chain);
            chain.Leave();
        }
        const WideString label = ItemLabel(position, style, name);
        if (!menu.AppendSubmenu(label, *submenu)) {
            // The system would not nest it (Wine refuses a sub-menu whose own
            // tree is about 30 menus deep): listed as past the cap. The
            // sub-menu goes with the builder's other menus.
            menu.AppendCommand(0, label, true, false, false);
        }
        return;
    }
    if (!IsMacroFileName(platform_, name)) {
        return;
    }
    // Where Macro0 takes true paths, every macro runs by its own; else by the
    // narrow path the editor opens, if there is one.
    EditorPath path;
    TablePath lent;
    lent.file = folder.wide + name;
    bool runnable = true;
    if (lendsTruePaths_) {
        lent.wide = lent.file;
    } else {
        runnable = EditorPathOf(platform_, folder, name, length, &path);
        lent.narrow = path.narrow;
    }
    const std::size_t registered = RegisteredIndex(folder, name, length, path.shortPath);
    const std::uint32_t id = CommandId(registered, runnable ? &lent : nullptr);
    // The editor runs a registered macro by its number, with no path at all.
    // Grayed when nothing would run it (listed by its true name only), or
    // past the table's last identifier.
    const bool runs = (runnable || RunsByNumber(registered)) && id != 0;
    menu.AppendCommand(id, ItemLabel(position, style, name), !runs, registered < registered_.size(),
                       NamesMacro(currentMacroFile_, folder, name, length, path.shortPath));
}

std::size_t MacroMenuBuilder::RegisteredIndex(const WalkFolder& folder, const char16_t* name,
                                              std::size_t length,
                                              const WideString& shortPath) const {
    std::size_t i = 0;
    while (i < registered_.size() && !NamesMacro(registered_[i], folder, name, length, shortPath)) {
        ++i;
    }
    return i;
}

bool MacroMenuBuilder::RunsByNumber(std::size_t registered) const {
    return registered < registered_.size() && !(registered == 0 && firstIsKept_);
}

std::uint32_t MacroMenuBuilder::CommandId(std::size_t registered, TablePath* path) {
    if (RunsByNumber(registered)) {
        return kRegisteredMacroBase + static_cast<std::uint32_t>(registered);
    }
    if (path == nullptr || pathTable_.size() >= kPathTableLimit) {
        return 0;
    }
    pathTable_.push_back(std::move(*path));
    return static_cast<std::uint32_t>(pathTable_.size() - 1);
}

std::uint32_t MacroMenuBuilder::AssignCommandId(const AnsiString& path) {
    const WideString text = FromCodePage(platform_, path);
    TablePath entry;
    entry.narrow = path;
    return CommandId(RegisteredIndex(WalkFolder(), text.c_str(), text.size(), WideString()),
                     &entry);
}

AnsiString MacroMenuBuilder::PathAt(std::uint32_t id) const {
    return IsPathCommand(id) ? pathTable_[id].narrow : AnsiString();
}

WideString MacroMenuBuilder::LendPathAt(std::uint32_t id) const {
    if (!IsPathCommand(id)) return WideString();
    const TablePath& entry = pathTable_[id];
    return entry.wide.empty() ? FromCodePage(platform_, entry.narrow) : entry.wide;
}

bool MacroMenuBuilder::IsPathCommand(std::uint32_t id) const {
    return id >= 1 && id < pathTable_.size();
}

bool MacroMenuBuilder::IsRegisteredCommand(std::uint32_t id) const {
    return id >= kRegisteredMacroBase && RunsByNumber(id - kRegisteredMacroBase);
}

WideString MacroMenuBuilder::FileOf(std::uint32_t id) const {
    if (IsPathCommand(id)) return pathTable_[id].file;
    if (IsRegisteredCommand(id)) return registered_[id - kRegisteredMacroBase].text;
    return WideString();
}

bool MacroMenuBuilder::PrepareRunAgain(const WideString& path) {
    runAgainRegistered_ = 0;
    runAgainPath_ = TablePath();
    const std::size_t separator = path.find_last_of(u'\\');
    if (separator == WideString::npos || separator + 1 == path.size()) return false;
    const WalkFolder folder = RootFolder(platform_, path.substr(0, separator));
    const char16_t* name = path.c_str() + separator + 1;
    const std::size_t length = path.size() - separator - 1;
    // The same test as the walk's, for a path the walk may not reach.
    EditorPath editorPath;
    bool runnable = true;
    runAgainPath_.file = path;
    if (lendsTruePaths_) {
        runAgainPath_.wide = path;
    } else {
        runnable = EditorPathOf(platform_, folder, name, length, &editorPath);
        runAgainPath_.narrow = editorPath.narrow;
    }
    const std::size_t registered = RegisteredIndex(folder, name, length, editorPath.shortPath);
    if (RunsByNumber(registered)) {
        runAgainRegistered_ = kRegisteredMacroBase + static_cast<std::uint32_t>(registered);
        return true;
    }
    return runnable;
}

WideString MacroMenuBuilder::RunAgainLendPath() const {
    return runAgainPath_.wide.empty() ? FromCodePage(platform_, runAgainPath_.narrow)
                                      : runAgainPath_.wide;
}

}  // namespace quorvin
