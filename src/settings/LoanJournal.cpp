#include "settings/LoanJournal.h"

#include <cstdint>
#include <cstring>
#include <utility>

#include "common/CodePage.h"
#include "common/OwnedHandle.h"
#include "settings/JournalRecords.h"

// The journal is the key HKEY_CURRENT_USER\Software\Quorvin, read and changed
// only under the mutex Local\QuorvinMacro0Loans. A new journal is written in
// this order, the presence mark last:
//
//   Lent           REG_MULTI_SZ  every path its loans lent Macro0, the newest last
//   Lenders        REG_BINARY    a Lender for each loan in flight
//   Saved          its own       the user's Macro0, type and bytes, when it had one
//   SavedPresence  REG_DWORD     1 when the user had a Macro0, else 0
//
// A path joins Lent before Macro0 is lent it and leaves only with the
// journal, so whatever write a death cuts short, a Macro0 that holds a lent
// path is one the journal names. A lender is alive while its process runs; a
// lender of this process, only while this process has as many loans in
// flight, which it knows without the registry. Under the mutex, a journal is
// in one of four states:
//
//   kNone     no key, or no presence mark, or a malformed one: nothing to put back
//   kLent     complete, a lender alive: loans in flight lent Macro0 the paths Lent
//   kKept     complete, no lender alive: the only record of the user's value
//   kUnknown  a read failed: nothing lends, nothing removes it, the next reads again
//
//                  Create                 Join, Leave, Undo of a Join
//       kNone -----------> kLent ------------------+
//         ^  <------------   |   <-----------------+
//         |  Undo of a       |
//         |  Create          | its last loan ends, or every lender dies
//         |                  v
//         +--------------- kKept --+  Settle or Repair that cannot put the
//           Settle, Repair   ^     |  value back: it stays, and no loan
//                            +-----+  joins it
//
// Each arrow is one function below, which names where it starts. Every way
// to kNone ends in Remove, which first deletes the presence mark and the
// lenders: a key that cannot go (it holds a sub-key this user may not delete)
// then holds no journal, and is cleared as an incomplete one.
namespace quorvin {

namespace {

// This process's loans in flight, one entry each: the registry cannot tell a
// loan in flight from one whose journal could not be put right.
ProcessStamp loansInFlight[kMostLenders];
std::size_t loansInFlightCount = 0;

std::size_t LoansInFlightOf(const ProcessStamp& process) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < loansInFlightCount; ++i) {
        count += loansInFlight[i] == process ? 1 : 0;
    }
    return count;
}

void AddLoanInFlight(const ProcessStamp& process) { loansInFlight[loansInFlightCount++] = process; }

void RemoveLoanInFlight(const ProcessStamp& process) {
    for (std::size_t i = 0; i < loansInFlightCount; ++i) {
        if (loansInFlight[i] == process) {
            loansInFlight[i] = loansInFlight[--loansInFlightCount];
            return;
        }
    }
}

}  // namespace

enum class JournalState { kNone, kLent, kKept, kUnknown };

// The journal as a reader under the mutex finds it.
struct JournalFound {
    JournalState state = JournalState::kNone;
    Lenders listed;  // as the journal lists them
    Lenders alive;   // those of them still alive
    StoredValue saved;
    LentPaths lent;
};

namespace {

// Whether the user had a Macro0, by the presence mark: kUnreadable when the
// mark could not be read; incomplete when there is none, or a malformed one.
ValuePresence SavedPresence(SettingsStore& store, const HostKey& journal, bool* incomplete) {
    std::uint32_t presence = 2;
    std::uint32_t type = 0;
    std::uint32_t size = sizeof presence;
    const long status =
        store.QueryValue(journal.get(), kSavedPresenceValue, &type, &presence, &size);
    *incomplete = false;
    if ((status != kRegSuccess && status != kRegFileNotFound && status != kRegMoreData) ||
        (status == kRegSuccess && size > sizeof presence)) {
        return ValuePresence::kUnreadable;
    }
    if (status != kRegSuccess || type != kRegDword || size != sizeof presence || presence > 1) {
        *incomplete = true;
        return ValuePresence::kAbsent;
    }
    return presence == 1 ? ValuePresence::kPresent : ValuePresence::kAbsent;
}

bool WriteSaved(SettingsStore& store, const HostKey& journal, const StoredValue& saved) {
    const bool present = saved.presence == ValuePresence::kPresent;
    if (present && store.SetStoredValue(journal.get(), kSavedValue, saved.type, saved.data(),
                                        saved.size()) != kRegSuccess) {
        return false;
    }
    const std::uint32_t presence = present ? 1 : 0;
    return store.SetValue(journal.get(), kSavedPresenceValue, kRegDword, &presence,
                          sizeof presence) == kRegSuccess;
}

// Reads the whole journal; any read that fails with anything but "not
// found" leaves it unknown.
void Examine(Platform& platform, SettingsStore& store, const HostKey& journal,
             const ProcessStamp& self, JournalFound* found) {
    found->state = JournalState::kNone;
    if (!journal) return;
    bool incomplete = false;
    found->saved = StoredValue();
    found->saved.presence = SavedPresence(store, journal, &incomplete);
    if (found->saved.presence == ValuePresence::kUnreadable) {
        found->state = JournalState::kUnknown;
        return;
    }
    if (incomplete) return;
    if (found->saved.presence == ValuePresence::kPresent) {
        found->saved = SaveKeyValue(store, journal, kSavedValue);
        if (found->saved.presence == ValuePresence::kUnreadable) {
            found->state = JournalState::kUnknown;
            return;
        }
        if (found->saved.presence == ValuePresence::kAbsent) return;  // malformed
    }
    if (!found->listed.Read(store, journal) || !found->lent.Read(store, journal)) {
        found->state = JournalState::kUnknown;
        return;
    }
    found->alive = found->listed;
    found->alive.DropEnded(platform, self, LoansInFlightOf(self));
    found->state = found->alive.count > 0 ? JournalState::kLent : JournalState::kKept;
}

// Any state to kNone. The tree may not go: what makes it a journal goes
// first, the mark written last before all. The key goes only when it holds
// none of the plug-in's own values; asks, but allocates, nothing.
void Remove(SettingsStore& store, HostKey& journal) {
    if (journal) {
        for (const char* value : {kSavedPresenceValue, kLendersValue, kLentValue, kSavedValue}) {
            if (HoldsValue(store, journal, value)) DeleteKeyValue(store, journal, value);
        }
        for (const char* kept : kPlugInValues) {
            if (HoldsValue(store, journal, kept)) return;
        }
        journal.Reset();
    }
    store.DeleteUserTree(kJournalKey);
}

enum class SlotHolds { kLentPath, kOther, kUnknown };

// What Macro0 holds: a path the journal's loans lent, something the user or
// the editor put there since, or nothing known when it cannot be read.
SlotHolds SlotHolding(SettingsStore& store, const HostKey& macros, const LentPaths& lent) {
    char16_t units[kMostLentUnits + 1];
    std::uint32_t size = sizeof units;
    std::uint32_t type = 0;
    const long status = store.QueryStoredValue(macros.get(), kFirstMacroValue, &type, units, &size);
    // Longer than any path a loan lends: not one of them.
    if (status == kRegFileNotFound || status == kRegMoreData) return SlotHolds::kOther;
    if (status != kRegSuccess || size > sizeof units) return SlotHolds::kUnknown;
    if (type != kRegSz) return SlotHolds::kOther;
    std::size_t length = 0;
    while (length < size / sizeof(char16_t) && units[length] != u'\0') ++length;
    return lent.Contains(units, length) ? SlotHolds::kLentPath : SlotHolds::kOther;
}

// kKept to kNone: the user's value back in Macro0, then the journal gone.
// When the value cannot be put back, it stays kKept, listing only the lenders
// still alive (none), for the next command or start to try again.
bool Settle(SettingsStore& store, HostKey& journal, const HostKey& macros, const StoredValue& saved,
            const Lenders& alive) {
    if (macros && RestoreKeyValue(store, macros, kFirstMacroValue, saved)) {
        Remove(store, journal);
        return true;
    }
    alive.Write(store, journal);
    return false;
}

// kKept to kNone, for a journal whose loans nobody ended: only where Macro0
// still holds a path its loans lent does the user's value go back. Anything
// else there was put by the user or the editor since, and stays. A Macro0
// that cannot be read is tried again later.
bool Repair(SettingsStore& store, HostKey& journal, const HostKey& macros,
            const JournalFound& found) {
    if (macros) {
        const SlotHolds holds = SlotHolding(store, macros, found.lent);
        if (holds == SlotHolds::kUnknown) return false;
        if (holds == SlotHolds::kOther) {
            Remove(store, journal);
            return true;
        }
    }
    return Settle(store, journal, macros, found.saved, found.alive);
}

// With the lock held: an incomplete journal cleared, the ended lenders of
// one in flight dropped, one kept for a retry repaired, an unknown one left.
void RepairLocked(Platform& platform, SettingsStore& store) {
    HostKey journal = OpenHostKey(store, kJournalKey, kJournalAccess);
    if (!journal) return;
    JournalFound found;
    Examine(platform, store, journal, platform.CurrentProcess(), &found);
    switch (found.state) {
        case JournalState::kNone:
            Remove(store, journal);
            break;
        case JournalState::kLent:
            if (found.alive.count != found.listed.count) found.alive.Write(store, journal);
            break;
        case JournalState::kKept:
            Repair(store, journal, OpenHostKey(store, kMacrosKey, kKeyReadWriteCreate), found);
            break;
        case JournalState::kUnknown:
            break;
    }
}

}  // namespace

MacroSlotLoan::~MacroSlotLoan() {
    if (inFlight_) RemoveLoanInFlight(self_);
}

bool MacroSlotLoan::Begin(const AnsiString& path) { return Begin(FromCodePage(platform_, path)); }

bool MacroSlotLoan::Begin(const WideString& path) {
    self_ = platform_.CurrentProcess();
    path_ = PathTextOf(platform_, path);
    created_ = false;
    if (inFlight_ || path.empty() || path.size() + 1 > kMostLentUnits ||
        loansInFlightCount == kMostLenders) {
        return false;
    }
    JournalLock lock(platform_);
    if (!lock.owned()) return false;
    const HostKey macros = OpenHostKey(store_, kMacrosKey, kKeyReadWriteCreate);
    if (!macros) return false;
    // Opened or made in one call: a key that fails to open is never taken for none.
    HostKey journal(store_, store_.CreateUserKey(kJournalKey, kJournalAccess));
    if (!journal) return false;
    JournalFound found;
    Examine(platform_, store_, journal, self_, &found);
    switch (found.state) {
        case JournalState::kUnknown:
            return false;
        case JournalState::kLent:
            return Join(journal, found) && Lend(journal, macros, found);
        case JournalState::kKept:
            // A loan joins only a loan in flight; a journal kept for a retry
            // is put right first, and a loan starts afresh from Macro0.
            if (!Repair(store_, journal, macros, found)) return false;
            break;
        case JournalState::kNone:
            Remove(store_, journal);  // what an incomplete one left
            break;
    }
    journal.Reset(store_.CreateUserKey(kJournalKey, kJournalAccess));
    return Create(journal, macros) && Lend(journal, macros, found);
}

// kNone to kLent: the user's value saved before Macro0 is written.
bool MacroSlotLoan::Create(HostKey& journal, const HostKey& macros) {
    if (!journal) return false;
    // What cannot be read cannot be put back: leave the setting alone.
    saved_ = SaveKeyValue(store_, macros, kFirstMacroValue);
    previous_ = PathText();
    created_ = true;
    Lenders lenders;
    lenders.Add(self_);
    LentPaths lent;
    if (saved_.presence != ValuePresence::kUnreadable && lent.MoveToEnd(path_.wide) &&
        lent.Write(store_, journal) && lenders.Write(store_, journal) &&
        WriteSaved(store_, journal, saved_)) {
        return true;
    }
    Remove(store_, journal);
    return false;
}

// kLent to kLent: the path joins the list, then the lender the lenders.
bool MacroSlotLoan::Join(const HostKey& journal, const JournalFound& found) {
    // The user's value is the one the first loan saved.
    saved_ = found.saved;
    previous_ = PathTextOf(platform_, found.lent.Newest());
    LentPaths lent = found.lent;
    Lenders lenders = found.alive;
    if (!lent.MoveToEnd(path_.wide) || !lenders.Add(self_) || !lent.Write(store_, journal)) {
        return false;
    }
    if (lenders.Write(store_, journal)) return true;
    found.lent.Write(store_, journal);
    return false;
}

// kLent: Macro0 written once the journal records the loan.
bool MacroSlotLoan::Lend(HostKey& journal, const HostKey& macros, const JournalFound& before) {
    if (!WritePathText(store_, macros, kFirstMacroValue, path_)) {
        // Macro0 still holds what it held: run nothing, least of all that.
        Undo(journal, before);
        return false;
    }
    AddLoanInFlight(self_);
    inFlight_ = true;
    return true;
}

// kLent back to where this loan found the journal: kNone when it made it,
// else the journal as it was, which may be the only record of the user's
// value. A path left listed is harmless: Macro0 never held it.
void MacroSlotLoan::Undo(HostKey& journal, const JournalFound& before) {
    if (created_) {
        Remove(store_, journal);
        return;
    }
    if (before.listed.Write(store_, journal)) before.lent.Write(store_, journal);
}

// kLent to kLent, other loans still in flight: Macro0 gets back the path this
// loan found there, unless a later loan has lent it since; then this loan's
// lender goes. The list names the path Macro0 is given back before Macro0
// holds it, and keeps the path it held: a death between any two writes
// leaves Macro0 holding a path the journal names.
void MacroSlotLoan::Leave(const HostKey& journal, const HostKey& macros, const Lenders& others) {
    LentPaths lent;
    if (lent.Read(store_, journal) && lent.IsNewest(path_.wide) && !previous_.wide.empty() &&
        macros && lent.MoveToEnd(previous_.wide) && lent.Write(store_, journal)) {
        WritePathText(store_, macros, kFirstMacroValue, previous_);
    }
    others.Write(store_, journal);
}

void MacroSlotLoan::End() {
    if (!inFlight_) return;
    inFlight_ = false;
    RemoveLoanInFlight(self_);
    // Put back even when the lock cannot be had: a lost setting is worse.
    JournalLock lock(platform_);
    const HostKey macros = OpenHostKey(store_, kMacrosKey, kKeyWrite);
    long status = kRegSuccess;
    HostKey journal = OpenHostKey(store_, kJournalKey, kJournalAccess, &status);
    if (!journal) {
        // No record to go by: what this loan knows. A journal that failed to
        // open is left to the next command.
        if (macros && status == kRegFileNotFound) {
            RestoreKeyValue(store_, macros, kFirstMacroValue, saved_);
        }
        return;
    }
    // No longer in flight, this loan's lender is dropped with the ended ones.
    Lenders lenders;
    if (!lenders.Read(store_, journal)) return;
    lenders.DropEnded(platform_, self_, LoansInFlightOf(self_));
    if (lenders.count > 0) {
        Leave(journal, macros, lenders);
    } else {
        // The last loan puts the user's value back with no check of Macro0,
        // which it has open for writing only.
        Settle(store_, journal, macros, saved_, lenders);
    }
}

void RepairLoans(Platform& platform, SettingsStore& store) {
    JournalLock lock(platform);
    if (lock.owned()) RepairLocked(platform, store);
}

RegisteredMacroList RegisteredMacrosOutsideLoans(Platform& platform, SettingsStore& store) {
    RegisteredMacroList macros;
    JournalFound found;
    {
        // Macro0 and the journal in one look: a loan that ended between two
        // reads would pass its lent path off as the user's macro 0.
        JournalLock lock(platform);
        macros.paths = ReadRegisteredMacros(platform, store);
        if (macros.paths.empty()) return macros;
        long status = kRegSuccess;
        const HostKey journal = OpenHostKey(store, kJournalKey, kKeyRead, &status);
        if (!journal && status == kRegFileNotFound && lock.owned()) return macros;
        found.state = JournalState::kUnknown;
        if (journal && lock.owned())
            Examine(platform, store, journal, platform.CurrentProcess(), &found);
        if (found.state == JournalState::kNone) return macros;
    }
    // A loan of some editor lends Macro0, or may: registered macro 0 is what
    // the journal keeps, run through a loan of its own, never by number.
    macros.firstIsKept = true;
    if (found.state == JournalState::kUnknown) {
        macros.paths[0].clear();  // names no macro
        return macros;
    }
    WideString saved = store.ResolveSettingPath(TextOf(platform, found.saved));
    if (saved.empty()) {
        macros.paths.clear();  // the editor's list ends at an empty Macro0
        macros.firstIsKept = false;
    } else {
        macros.paths[0] = std::move(saved);
    }
    return macros;
}

}  // namespace quorvin

namespace quorvin {

WideString ReadLastMacro(SettingsStore& store) {
    const HostKey key = OpenHostKey(store, kJournalKey, kKeyRead);
    if (!key) return WideString();
    const StoredValue stored = SaveKeyValue(store, key, kLastMacroValue);
    if (stored.presence != ValuePresence::kPresent || stored.type != kRegSz) return WideString();
    const std::size_t units = stored.size() / sizeof(char16_t);
    WideString text(units, u'\0');
    if (units > 0) std::memcpy(&text[0], stored.data(), units * sizeof(char16_t));
    const std::size_t length = text.find(u'\0');
    if (length == WideString::npos) return WideString();  // cut short: not a whole path
    text.resize(length);
    return text;
}

bool RememberLastMacro(Platform& platform, SettingsStore& store, const WideString& path) {
    // Under the lock: a journal that ends sees the value and keeps the key.
    JournalLock lock(platform);
    if (!lock.owned() || path.empty()) return false;
    const HostKey key(store, store.CreateUserKey(kJournalKey, kJournalAccess));
    return key &&
           store.SetStoredValue(key.get(), kLastMacroValue, kRegSz, path.c_str(),
                                static_cast<std::uint32_t>((path.size() + 1) * sizeof(char16_t))) ==
               kRegSuccess;
}

bool ReadEditorLanguage(SettingsStore& registry, std::uint16_t* language) {
    const HostKey key = OpenHostKey(registry, kJournalKey, kKeyRead);
    if (!key) return false;
    std::uint32_t value = 0;
    std::uint32_t type = 0;
    std::uint32_t size = sizeof value;
    if (registry.QueryValue(key.get(), kEditorLanguageValue, &type, &value, &size) != kRegSuccess ||
        type != kRegDword || size != sizeof value || value > 0xFFFF) {
        return false;
    }
    *language = static_cast<std::uint16_t>(value);
    return true;
}

bool RememberEditorLanguage(Platform& platform, SettingsStore& registry, std::uint16_t language) {
    JournalLock lock(platform);
    if (!lock.owned()) return false;
    const HostKey key(registry, registry.CreateUserKey(kJournalKey, kJournalAccess));
    const std::uint32_t value = language;
    return key && registry.SetValue(key.get(), kEditorLanguageValue, kRegDword, &value,
                                    sizeof value) == kRegSuccess;
}

void ForgetPlugInValues(Platform& platform, SettingsStore& store) {
    JournalLock lock(platform);
    if (!lock.owned()) return;
    {
        const HostKey key = OpenHostKey(store, kJournalKey, kJournalAccess);
        if (!key) return;
        for (const char* value : kPlugInValues) {
            if (HoldsValue(store, key, value)) DeleteKeyValue(store, key, value);
        }
    }
    // The key goes with them unless a loan still needs its journal.
    RepairLocked(platform, store);
}

}  // namespace quorvin
