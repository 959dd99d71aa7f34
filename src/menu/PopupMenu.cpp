#include "menu/PopupMenu.h"

namespace quorvin {

PopupMenu::PopupMenu(Platform& platform)
    : platform_(platform), handle_(platform.CreatePopupMenu()) {}

PopupMenu::~PopupMenu() {
    // Sub-menus go first (the builder destroys newest first); destroying this
    // one then skips the handles already gone.
    if (handle_ != nullptr) {
        platform_.DestroyMenu(handle_);
    }
}

bool PopupMenu::Insert(const MenuItem& item) {
    const bool inserted = platform_.InsertItem(handle_, static_cast<std::uint32_t>(count_), item);
    ++count_;
    return inserted;
}

void PopupMenu::AppendSeparator() {
    MenuItem item;
    item.type = kMftSeparator;
    Insert(item);
}

void PopupMenu::AppendCommand(std::uint32_t id, const WideString& label, bool grayed, bool checked,
                              bool isDefault) {
    MenuItem item;
    item.mask = kMiimState | kMiimId | kMiimType;
    item.type = kMftString;
    item.state =
        (grayed ? kMfsGrayed : 0) | (checked ? kMfsChecked : 0) | (isDefault ? kMfsDefault : 0);
    item.id = id;
    item.text = label.c_str();
    item.textLength = static_cast<std::uint32_t>(label.size());
    Insert(item);
}

bool PopupMenu::AppendSubmenu(const WideString& label, const PopupMenu& submenu) {
    MenuItem item;
    item.mask = kMiimState | kMiimSubmenu | kMiimType;
    item.type = kMftString;
    item.submenu = submenu.handle();
    item.text = label.c_str();
    item.textLength = static_cast<std::uint32_t>(label.size());
    if (!Insert(item)) {
        --count_;
        return false;
    }
    return true;
}

std::uint32_t PopupMenu::Show(WindowHandle owner, bool* withModifier) {
    bool modifier = false;
    if (withModifier != nullptr) *withModifier = false;
    if (handle_ == nullptr) {
        return 0;
    }
    const CursorPosition cursor = platform_.GetCursorPos();
    const std::uint32_t chosen = platform_.TrackPopupMenu(handle_, kTpmReturnCmdRightButton,
                                                          cursor.x, cursor.y, owner, &modifier);
    if (withModifier != nullptr) *withModifier = modifier;
    return chosen;
}

}  // namespace quorvin
