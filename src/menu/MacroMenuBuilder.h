#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <vector>

#include "common/AnsiString.h"
#include "menu/CommandIds.h"
#include "menu/EditorPath.h"
#include "menu/FolderChain.h"
#include "menu/PopupMenu.h"
#include "platform/Platform.h"
#include "platform/SettingsStore.h"
#include "settings/LoanJournal.h"

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

// A registered or current macro as the editor's setting names it, and the
// long form of that text when it holds short names.
struct MacroSetting {
    WideString text;
    WideString longForm;  // empty when the same, or when it cannot be had
};

// Builds the nested macro menu of one command and owns all it made for it:
// every menu and the table of paths that its identifiers stand for.
class MacroMenuBuilder {
  public:
    MacroMenuBuilder(Platform& platform, SettingsStore& store,
                     const WalkLimits& limits = WalkLimits());
    ~MacroMenuBuilder();
    MacroMenuBuilder(const MacroMenuBuilder&) = delete;
    MacroMenuBuilder& operator=(const MacroMenuBuilder&) = delete;

    // The folder as the editor's setting names it, in its true text.
    PopupMenu& BuildFolderMenu(const WideString& folder, std::int32_t style);
    // Registered macro i when Macro<i> names the path, else a new table entry.
    std::uint32_t AssignCommandId(const AnsiString& path);
    // The path of a table identifier (1 to the last one given) in the code
    // page, else empty; empty also where Macro0 takes true paths.
    AnsiString PathAt(std::uint32_t id) const;
    // The path Macro0 is lent for a table identifier, in UTF-16.
    WideString LendPathAt(std::uint32_t id) const;
    // Whether a menu built here can have returned this identifier.
    bool IsPathCommand(std::uint32_t id) const;
    bool IsRegisteredCommand(std::uint32_t id) const;
    // The full path of the macro an identifier stands for, as the editor
    // opens it: the walked file, or the registered macro's setting; empty
    // for any other identifier.
    WideString FileOf(std::uint32_t id) const;

    // Makes the macro at this full path the one kRunAgainCommand runs, as
    // choosing it in the menu would: false when nothing would run it.
    bool PrepareRunAgain(const WideString& path);
    // What kRunAgainCommand runs: a registered macro's identifier, else 0
    // and the path to lend Macro0.
    std::uint32_t RunAgainRegisteredId() const { return runAgainRegistered_; }
    WideString RunAgainLendPath() const;

  private:
    // One entry of a folder's listing: its terminated name in a pool, and its
    // attributes.
    struct ListedEntry {
        std::size_t offset;
        std::size_t length;
        std::uint32_t attributes;
    };
    PopupMenu& NewMenu();
    void FillFolderMenu(PopupMenu& menu, const WalkFolder& folder, std::int32_t style,
                        FolderChain& chain);
    // The folder's entries but "." and "..", at most most of them, in the
    // order NTFS lists them; false when the listing cannot start.
    bool ListFolder(const WideString& pattern, std::size_t most, std::vector<char16_t>* names,
                    std::vector<ListedEntry>* entries);
    void AddEntry(PopupMenu& menu, const WalkFolder& folder, const char16_t* name,
                  std::size_t length, std::uint32_t attributes, int position, std::int32_t style,
                  FolderChain& chain);
    // The registered macro i whose Macro<i> names the macro of that name in
    // the folder by its true path or its short one; the list's size if none.
    std::size_t RegisteredIndex(const WalkFolder& folder, const char16_t* name, std::size_t length,
                                const WideString& shortPath) const;
    // Whether the editor's command for registered macro i runs it: not the
    // user's own macro 0 while a loan of this process lends Macro0 another
    // path, which runs through a loan of its own instead.
    bool RunsByNumber(std::size_t registered) const;
    // A table entry: the narrow path, or the true one where Macro0 takes
    // those; and the file's full path as the walk found it.
    struct TablePath {
        AnsiString narrow;
        WideString wide;
        WideString file;
    };
    // kRegisteredMacroBase + i when the editor runs it by its number, else a
    // new table entry for its path, else 0.
    std::uint32_t CommandId(std::size_t registered, TablePath* path);

    Platform& platform_;
    const WalkLimits limits_;
    std::size_t entryCount_ = 0;
    bool cut_ = false;            // entries were left unlooked at
    std::list<PopupMenu> menus_;  // newest first
    std::vector<MacroSetting> registered_;
    bool firstIsKept_ = false;  // see RegisteredMacroList
    MacroSetting currentMacroFile_;
    std::vector<TablePath> pathTable_;
    const bool lendsTruePaths_;
    std::uint32_t runAgainRegistered_ = 0;
    TablePath runAgainPath_;
};

}  // namespace quorvin
