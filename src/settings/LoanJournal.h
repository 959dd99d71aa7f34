#pragma once

#include <vector>

#include "common/AnsiString.h"
#include "platform/Platform.h"
#include "settings/HostSettings.h"
#include "settings/JournalRecords.h"

// The journal of Macro0's loans. It lives in the registry, which outlives the
// editor, from before Macro0 is lent until the last loan in flight has put the
// user's value back, so that a loan whose editor died is repaired by the next
// process: what Macro0 held, the path it holds now, and who lent it.
namespace quorvin {

constexpr const char* kJournalKey = "Software\\Quorvin";
// The journal's values; see LoanJournal.cpp.
constexpr const char* kSavedValue = "Saved";
constexpr const char* kSavedPresenceValue = "SavedPresence";
// The plug-in's own values beside the journal, which it never removes: the
// macro run last from the menu, and the language its editor answered last.
constexpr const char* kLastMacroValue = "LastMacro";
constexpr const char* kEditorLanguageValue = "EditorLanguage";
constexpr const char* const kPlugInValues[] = {kLastMacroValue, kEditorLanguageValue};

struct Lenders;
struct JournalFound;

// One loan of Macro0 to a macro the editor has not registered.
class MacroSlotLoan {
  public:
    MacroSlotLoan(Platform& platform, SettingsStore& store) : platform_(platform), store_(store) {}
    // A loan that never ended (its caller unwound) no longer counts as in
    // flight: the next command repairs it.
    ~MacroSlotLoan();
    MacroSlotLoan(const MacroSlotLoan&) = delete;
    MacroSlotLoan& operator=(const MacroSlotLoan&) = delete;

    // Records the loan, then lends Macro0 the path; false when nothing was lent.
    bool Begin(const WideString& path);
    // The same for a path in the code page.
    bool Begin(const AnsiString& path);
    // Puts Macro0 back: the user's value when this is the last loan in flight,
    // else the path this loan found there. Allocates nothing.
    void End();

  private:
    bool Create(HostKey& journal, const HostKey& macros);
    bool Join(const HostKey& journal, const JournalFound& found);
    bool Lend(HostKey& journal, const HostKey& macros, const JournalFound& before);
    void Undo(HostKey& journal, const JournalFound& before);
    void Leave(const HostKey& journal, const HostKey& macros, const Lenders& others);

    Platform& platform_;
    SettingsStore& store_;
    ProcessStamp self_;
    PathText path_;
    bool created_ = false;   // this loan made the journal
    bool inFlight_ = false;  // Macro0 is lent, and End has not run
    StoredValue saved_;      // the user's value, from before the first loan
    PathText previous_;      // empty unless another loan was in flight: its path
};

// Puts Macro0 back for every loan whose lending process is gone.
void RepairLoans(Platform& platform, SettingsStore& store);

// The editor's registered macros as a menu shows them.
struct RegisteredMacroList {
    std::vector<WideString> paths;
    // A loan of any editor lends Macro0, or did and could not put it back, and
    // paths[0] is the user's own macro 0 that the journal keeps (empty when
    // the journal cannot be read): the editor's command for macro 0 would run
    // the lent path instead, or the user's once the loan ends.
    bool firstIsKept = false;
};
RegisteredMacroList RegisteredMacrosOutsideLoans(Platform& platform, SettingsStore& store);

// The full path of the macro run last from the menu; empty when none is
// remembered, or the value cannot be read, is no string or has no terminator.
WideString ReadLastMacro(SettingsStore& store);
// Remembers it; false when it could not be written.
bool RememberLastMacro(Platform& platform, SettingsStore& store, const WideString& path);
// The editor's language as it answered last, where it keeps its settings in
// the registry; false when none is remembered.
bool ReadEditorLanguage(SettingsStore& registry, std::uint16_t* language);
bool RememberEditorLanguage(Platform& platform, SettingsStore& registry, std::uint16_t language);
// Removes the plug-in's own values, and its key once no journal needs it.
void ForgetPlugInValues(Platform& platform, SettingsStore& store);

}  // namespace quorvin
