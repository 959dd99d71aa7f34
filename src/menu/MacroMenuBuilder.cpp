#include "menu/MacroMenuBuilder.h"

#include <cstring>
#include <utility>

#include "common/OwnedHandle.h"
#include "menu/MacroNames.h"
#include "settings/HostSettings.h"

namespace quorvin {

namespace {

void CloseFind(Platform& platform, FindHandle find) { platform.FindClose(find); }
using FolderEnumeration = OwnedHandle<FindHandle, &CloseFind>;

bool IsFolder(std::uint32_t attributes) {
    return attributes != kInvalidFileAttributes && (attributes & kFileAttributeDirectory) != 0;
}

}  // namespace

MacroMenuBuilder::MacroMenuBuilder(Platform& platform)
    : platform_(platform),
      registeredMacros_(ReadRegisteredMacros(platform)),
      currentMacroFile_(ReadHostString(platform, kCommonKey, kMacroFileValue)) {
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

PopupMenu& MacroMenuBuilder::BuildFolderMenu(const AnsiString& folder, std::int32_t style) {
    PopupMenu& menu = NewMenu();
    FolderChain chain(platform_);
    chain.Enter(folder, false);  // no link yet: always entered
    FillFolderMenu(menu, folder, style, chain);
    return menu;
}

void MacroMenuBuilder::FillFolderMenu(PopupMenu& menu, const AnsiString& folder, std::int32_t style,
                                      FolderChain& chain) {
    const AnsiString folderWithSeparator = JoinPath(platform_, folder, "");
    FindEntry entry;
    const FolderEnumeration find(platform_,
                                 platform_.FindFirst((folderWithSeparator + "*").c_str(), &entry));
    if (!find) {
        return;
    }
    int position = 0;
    do {
        if (std::strcmp(entry.name, "..") == 0 || std::strcmp(entry.name, ".") == 0) {
            continue;
        }
        AddEntry(menu, folderWithSeparator, entry, position, style, chain);
        ++position;
    } while (platform_.FindNext(find.get(), &entry));
}

void MacroMenuBuilder::AddEntry(PopupMenu& menu, const AnsiString& folderWithSeparator,
                                const FindEntry& entry, int position, std::int32_t style,
                                FolderChain& chain) {
    AnsiString path(folderWithSeparator);
    path += entry.name;
    if (IsFolder(platform_.FileAttributes(path.c_str()))) {
        PopupMenu& submenu = NewMenu();
        // A link back into a folder being walked would recurse for ever: list it,
        // but leave its menu empty.
        const bool isLink = (entry.attributes & kFileAttributeReparsePoint) != 0;
        if (chain.Enter(path, isLink)) {
            FillFolderMenu(submenu, path, style, chain);
            chain.Leave();
        }
        menu.AppendSubmenu(AcceleratorPrefix(position, style) + EscapeAccelerators(entry.name),
                           submenu);
        return;
    }
    if (!IsMacroFileName(platform_, entry.name)) {
        return;
    }
    const std::uint32_t id = AssignCommandId(path);
    menu.AppendCommand(id, AcceleratorPrefix(position, style) + EscapeAccelerators(entry.name),
                       false, id >= kRegisteredMacroBase,
                       SameText(platform_, currentMacroFile_.c_str(), path.c_str()));
}

std::uint32_t MacroMenuBuilder::AssignCommandId(const AnsiString& path) {
    std::uint32_t id = kRegisteredMacroBase;
    for (const AnsiString& registered : registeredMacros_) {
        if (SameText(platform_, registered.c_str(), path.c_str())) {
            return id;
        }
        ++id;
    }
    if (pathTable_.size() >= kPathTableLimit) {
        return 0;
    }
    pathTable_.push_back(path);
    return static_cast<std::uint32_t>(pathTable_.size() - 1);
}

AnsiString MacroMenuBuilder::PathAt(std::uint32_t id) const {
    return IsPathCommand(id) ? pathTable_[id] : AnsiString();
}

bool MacroMenuBuilder::IsPathCommand(std::uint32_t id) const {
    return id >= 1 && id < pathTable_.size();
}

bool MacroMenuBuilder::IsRegisteredCommand(std::uint32_t id) const {
    return id >= kRegisteredMacroBase && id - kRegisteredMacroBase < registeredMacros_.size();
}

}  // namespace quorvin
