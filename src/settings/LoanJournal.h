#pragma once

#include <vector>

#include "common/AnsiString.h"
#include "platform/Platform.h"
#include "settings/HostSettings.h"

// The journal of Macro0's loans. It lives in the registry, which outlives the
// editor, from before Macro0 is lent until the last loan in flight has put the
// user's value back, so that a loan whose editor died is repaired by the next
// process: what Macro0 held, the path it holds now, and who lent it.
namespace quorvin {

constexpr const char* kJournalKey = "Software\\Quorvin";

// One loan of Macro0 to a macro the editor has not registered.
class MacroSlotLoan {
  public:
    explicit MacroSlotLoan(Platform& platform) : platform_(platform) {}
    MacroSlotLoan(const MacroSlotLoan&) = delete;
    MacroSlotLoan& operator=(const MacroSlotLoan&) = delete;

    // Records the loan, then lends Macro0 the path; false when nothing was lent.
    bool Begin(const AnsiString& path);
    // Puts Macro0 back: the user's value when this is the last loan in flight,
    // else the path this loan found there. Allocates nothing.
    void End();

  private:
    bool Record(const HostKey& macros);
    bool Join(const HostKey& journal);
    // Takes the loan's part of the journal back when Macro0 could not be lent.
    void Withdraw();
    // Puts back in the journal the path another loan lent.
    void PutBackLent(const HostKey& journal);

    Platform& platform_;
    ProcessStamp self_;
    AnsiString path_;
    StoredValue saved_;          // the user's value, from before the first loan
    StoredValue previous_;       // absent unless another loan was in flight: its path
    std::vector<char> scratch_;  // to read Lent back at the end
};

// Puts Macro0 back for every loan whose lending process is gone.
void RepairLoans(Platform& platform);
// The same, once per process.
void RepairLoansAtFirstCall(Platform& platform);

// The editor's registered macros, with Macro0 as the loan saved it while this
// process has a loan in flight: the lent path is not the user's macro.
std::vector<WideString> RegisteredMacrosOutsideLoans(Platform& platform);

}  // namespace quorvin
