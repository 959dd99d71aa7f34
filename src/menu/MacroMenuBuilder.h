#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <vector>

#include "common/AnsiString.h"
#include "menu/EditorPath.h"
#include "menu/FolderChain.h"
#include "menu/PopupMenu.h"
#include "platform/Platform.h"
#include "plugin/HostInterface.h"

namespace quorvin {

// Entry 0 is kept empty, so path identifiers run from 1 to 9213.
constexpr std::size_t kPathTableLimit = 9214;

// How much one command walks at most, so that no tree can hang the editor:
// every menu is a USER object, of which a process has 10,000 at most, the
// editor's own included; and every entry costs time on the editor's thread.
// Fixed, so that the menu never depends on the machine's speed.
struct WalkLimits {
    int menus = 4096;  // the top-level menu and every sub-menu, empty ones too
    std::size_t entries = 100000;
};

// Builds the nested macro menu of one command and owns all it made for it:
// every menu and the table of paths that its identifiers stand for.
class MacroMenuBuilder {
  public:
    explicit MacroMenuBuilder(Platform& platform, const WalkLimits& limits = WalkLimits());
    ~MacroMenuBuilder();
    MacroMenuBuilder(const MacroMenuBuilder&) = delete;
    MacroMenuBuilder& operator=(const MacroMenuBuilder&) = delete;

    // The folder as the editor's setting names it, in its true text.
    PopupMenu& BuildFolderMenu(const WideString& folder, std::int32_t style);
    // Registered macro i when Macro<i> names the macro of that name in the
    // folder by its true path or by the editor's path, else a new table entry
    // for the editor's path.
    std::uint32_t AssignCommandId(const WalkFolder& folder, const char16_t* name,
                                  std::size_t length, const EditorPath& path);
    // The same for a path the code page holds, which is its own true path.
    std::uint32_t AssignCommandId(const AnsiString& path);
    // The path of a table identifier (1 to the last one given), else empty.
    AnsiString PathAt(std::uint32_t id) const;
    // Whether a menu built here can have returned this identifier.
    bool IsPathCommand(std::uint32_t id) const;
    bool IsRegisteredCommand(std::uint32_t id) const;

  private:
    PopupMenu& NewMenu();
    void FillFolderMenu(PopupMenu& menu, const WalkFolder& folder, std::int32_t style,
                        FolderChain& chain);
    void AddEntry(PopupMenu& menu, const WalkFolder& folder, const FindEntry& entry, int position,
                  std::int32_t style, FolderChain& chain);
    // kRegisteredMacroBase + i for registered macro i, else 0.
    std::uint32_t RegisteredId(const WalkFolder& folder, const char16_t* name, std::size_t length,
                               const WideString& shortPath) const;

    Platform& platform_;
    const WalkLimits limits_;
    std::size_t entryCount_ = 0;
    bool cut_ = false;            // entries were left unlooked at
    std::list<PopupMenu> menus_;  // newest first
    std::vector<WideString> registeredMacros_;
    WideString currentMacroFile_;
    std::vector<AnsiString> pathTable_;
};

}  // namespace quorvin
