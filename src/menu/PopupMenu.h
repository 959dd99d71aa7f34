#pragma once

#include <cstdint>

#include "platform/Platform.h"

namespace quorvin {

// One platform popup menu, filled in order and destroyed with its owner.
class PopupMenu {
  public:
    explicit PopupMenu(Platform& platform);
    ~PopupMenu();
    PopupMenu(const PopupMenu&) = delete;
    PopupMenu& operator=(const PopupMenu&) = delete;

    MenuHandle handle() const { return handle_; }
    // Insertions made so far, successful or not, but for a sub-menu refused;
    // also the next position.
    int count() const { return count_; }

    void AppendSeparator();
    void AppendCommand(std::uint32_t id, const WideString& label, bool grayed, bool checked,
                       bool isDefault);
    // False when the system refused it: the position stays free for another item.
    bool AppendSubmenu(const WideString& label, const PopupMenu& submenu);
    // Shows the menu at the mouse cursor; the chosen identifier, 0 when
    // dismissed. withModifier, when given, tells whether Shift or Ctrl chose it.
    std::uint32_t Show(WindowHandle owner, bool* withModifier = nullptr);

  private:
    bool Insert(const MenuItem& item);

    Platform& platform_;
    MenuHandle handle_;
    int count_ = 0;
};

}  // namespace quorvin
