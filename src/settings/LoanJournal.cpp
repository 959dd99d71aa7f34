#include "settings/LoanJournal.h"

#include <cstdint>
#include <cstring>
#include <utility>

#include "common/OwnedHandle.h"

// The journal is the key HKEY_CURRENT_USER\Software\Quorvin, read and changed
// only under the mutex Local\QuorvinMacro0Loans. A new journal is written in
// this order, the presence mark last:
//
//   Lent           REG_SZ      the path Macro0 holds now
//   Lenders        REG_BINARY  a Lender for each loan in flight
//   Saved          its own     the user's Macro0, type and bytes, when it had one
//   SavedPresence  REG_DWORD   1 when the user had a Macro0, else 0
//
// A lender is alive while its process runs; a lender of this process, only
// while this process has as many loans in flight, which it knows without the
// registry. Under the mutex, a journal is in one of three states:
//
//   kNone  no key, or one without a complete journal: nothing to put back
//   kLent  complete, a lender alive: a loan in flight lent Macro0 the path Lent
//   kKept  complete, no lender alive: the only record of the user's value
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

constexpr const char* kMutexName = "Local\\QuorvinMacro0Loans";
constexpr const char* kSavedValue = "Saved";
constexpr const char* kSavedPresenceValue = "SavedPresence";
constexpr const char* kLentValue = "Lent";
constexpr const char* kLendersValue = "Lenders";
constexpr std::uint32_t kJournalAccess = 0x2001F;  // KEY_READ | KEY_WRITE
// Taken only while the journal is read or written; a holder that hangs for
// longer than this is given up on.
constexpr std::uint32_t kMutexWaitMilliseconds = 10000;

// Loans in flight at once; nesting and overlapping editors need few.
constexpr std::size_t kMostLenders = 64;

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

// The lenders as the journal lists them, read and written without the heap.
struct Lenders {
    struct Lender {
        std::uint32_t id;
        std::uint32_t unused;
        std::uint64_t created;
    };
    Lender list[kMostLenders];
    std::size_t count = 0;

    void Read(Platform& platform, const HostKey& journal) {
        std::uint32_t type = 0;
        std::uint32_t size = sizeof list;
        count = 0;
        if (platform.QueryStoredValue(journal.get(), kLendersValue, &type, list, &size) ==
                kRegSuccess &&
            type == kRegBinary) {
            count = size / sizeof(Lender);
        }
    }
    bool Write(Platform& platform, const HostKey& journal) const {
        return platform.SetStoredValue(journal.get(), kLendersValue, kRegBinary, list,
                                       static_cast<std::uint32_t>(count * sizeof(Lender))) ==
               kRegSuccess;
    }
    bool Add(const ProcessStamp& process) {
        if (count == kMostLenders) return false;
        list[count++] = Lender{process.id, 0, process.created};
        return true;
    }
    // Drops the lenders that are not alive, this process's beyond its loans
    // in flight among them.
    void DropEnded(Platform& platform, const ProcessStamp& self) {
        std::size_t ownInFlight = LoansInFlightOf(self);
        for (std::size_t i = 0; i < count;) {
            const ProcessStamp process = Stamp(list[i]);
            bool alive = false;
            if (process == self) {
                alive = ownInFlight > 0;
                ownInFlight -= alive ? 1 : 0;
            } else {
                alive = platform.IsRunning(process);
            }
            if (alive) {
                ++i;
            } else {
                list[i] = list[--count];
            }
        }
    }

  private:
    static ProcessStamp Stamp(const Lender& lender) {
        ProcessStamp process;
        process.id = lender.id;
        process.created = lender.created;
        return process;
    }
};

enum class JournalState { kNone, kLent, kKept };

// The journal as a reader under the mutex finds it.
struct JournalFound {
    JournalState state = JournalState::kNone;
    Lenders listed;  // as the journal lists them
    Lenders alive;   // those of them still alive
    StoredValue saved;
};

namespace {

void CloseMutex(Platform& platform, MutexHandle mutex) { platform.CloseMutex(mutex); }
using OwnedMutex = OwnedHandle<MutexHandle, &CloseMutex>;

// Holds the journal's mutex for one read or change of it.
class JournalLock {
  public:
    explicit JournalLock(Platform& platform)
        : platform_(platform), mutex_(platform, platform.CreateNamedMutex(kMutexName)) {
        owned_ = mutex_ && platform.WaitForMutex(mutex_.get(), kMutexWaitMilliseconds);
    }
    ~JournalLock() {
        if (owned_) platform_.ReleaseMutex(mutex_.get());
    }
    JournalLock(const JournalLock&) = delete;
    JournalLock& operator=(const JournalLock&) = delete;
    bool owned() const { return owned_; }

  private:
    Platform& platform_;
    OwnedMutex mutex_;
    bool owned_ = false;
};

// A path value read narrow into the stack, for comparing with no heap.
struct PathValue {
    char bytes[kMostLentBytes + 2];
    std::uint32_t size = 0;
    std::uint32_t type = 0;

    // False when absent, unreadable, or longer than any lent path.
    bool Read(Platform& platform, const HostKey& key, const char* name) {
        size = sizeof bytes;
        return platform.QueryValue(key.get(), name, &type, bytes, &size) == kRegSuccess;
    }
    bool Is(const char* text, std::uint32_t length) const {
        return size == length && std::memcmp(bytes, text, length) == 0;
    }
};

// Whether the user had a Macro0; unreadable when the journal was left before
// it was complete.
ValuePresence SavedPresence(Platform& platform, const HostKey& journal) {
    std::uint32_t presence = 2;
    std::uint32_t type = 0;
    std::uint32_t size = sizeof presence;
    if (platform.QueryValue(journal.get(), kSavedPresenceValue, &type, &presence, &size) !=
            kRegSuccess ||
        type != kRegDword || presence > 1) {
        return ValuePresence::kUnreadable;
    }
    return presence == 1 ? ValuePresence::kPresent : ValuePresence::kAbsent;
}

// The user's value as the journal keeps it.
StoredValue SavedValue(Platform& platform, const HostKey& journal) {
    StoredValue saved;
    saved.presence = SavedPresence(platform, journal);
    if (saved.presence != ValuePresence::kPresent) {
        return saved;
    }
    saved = SaveKeyValue(platform, journal, kSavedValue);
    if (saved.presence != ValuePresence::kPresent) saved.presence = ValuePresence::kUnreadable;
    return saved;
}

bool WriteSaved(Platform& platform, const HostKey& journal, const StoredValue& saved) {
    const bool present = saved.presence == ValuePresence::kPresent;
    if (present && platform.SetStoredValue(journal.get(), kSavedValue, saved.type, saved.data(),
                                           saved.size()) != kRegSuccess) {
        return false;
    }
    const std::uint32_t presence = present ? 1 : 0;
    return platform.SetValue(journal.get(), kSavedPresenceValue, kRegDword, &presence,
                             sizeof presence) == kRegSuccess;
}

JournalFound Examine(Platform& platform, const HostKey& journal, const ProcessStamp& self) {
    JournalFound found;
    if (!journal) return found;
    found.saved = SavedValue(platform, journal);
    if (found.saved.presence == ValuePresence::kUnreadable) return found;
    found.listed.Read(platform, journal);
    found.alive = found.listed;
    found.alive.DropEnded(platform, self);
    found.state = found.alive.count > 0 ? JournalState::kLent : JournalState::kKept;
    return found;
}

// Any state to kNone. The tree may not go: what makes it a journal goes
// first, the mark written last before all.
void Remove(Platform& platform, HostKey& journal) {
    if (journal) {
        for (const char* value : {kSavedPresenceValue, kLendersValue, kLentValue, kSavedValue}) {
            DeleteKeyValue(platform, journal, value);
        }
        journal.Reset();
    }
    platform.DeleteUserTree(kJournalKey);
}

// Whether Macro0 still holds the path the journal lent.
bool StillLent(Platform& platform, const HostKey& macros, const HostKey& journal) {
    PathValue slot;
    PathValue lent;
    return slot.Read(platform, macros, kFirstMacroValue) && slot.type == kRegSz &&
           lent.Read(platform, journal, kLentValue) && lent.type == kRegSz &&
           slot.Is(lent.bytes, lent.size);
}

// kKept to kNone: the user's value back in Macro0, then the journal gone.
// When the value cannot be put back, it stays kKept, listing only the lenders
// still alive (none), for the next command or start to try again.
bool Settle(Platform& platform, HostKey& journal, const HostKey& macros, const StoredValue& saved,
            const Lenders& alive) {
    if (macros && RestoreKeyValue(platform, macros, kFirstMacroValue, saved)) {
        Remove(platform, journal);
        return true;
    }
    alive.Write(platform, journal);
    return false;
}

// kKept to kNone, for a journal whose loans nobody ended: only where Macro0
// still holds the lent path does the user's value go back. Anything else
// there was put by the user or the editor since, and stays.
bool Repair(Platform& platform, HostKey& journal, const HostKey& macros,
            const JournalFound& found) {
    if (macros && !StillLent(platform, macros, journal)) {
        Remove(platform, journal);
        return true;
    }
    return Settle(platform, journal, macros, found.saved, found.alive);
}

// With the lock held: an incomplete journal cleared, the ended lenders of
// one in flight dropped, one kept for a retry repaired.
void RepairLocked(Platform& platform) {
    HostKey journal = OpenHostKey(platform, kJournalKey, kJournalAccess);
    const JournalFound found = Examine(platform, journal, platform.CurrentProcess());
    if (!journal) return;
    switch (found.state) {
        case JournalState::kNone:
            Remove(platform, journal);
            break;
        case JournalState::kLent:
            if (found.alive.count != found.listed.count) found.alive.Write(platform, journal);
            break;
        case JournalState::kKept:
            Repair(platform, journal, OpenHostKey(platform, kMacrosKey, kKeyReadWriteCreate),
                   found);
            break;
    }
}

bool repairedAtFirstCall = false;

}  // namespace

MacroSlotLoan::~MacroSlotLoan() {
    if (inFlight_) RemoveLoanInFlight(self_);
}

bool MacroSlotLoan::Begin(const AnsiString& path) {
    self_ = platform_.CurrentProcess();
    path_ = path;
    created_ = false;
    if (inFlight_ || path_.size() + 1 > kMostLentBytes || loansInFlightCount == kMostLenders) {
        return false;
    }
    JournalLock lock(platform_);
    if (!lock.owned()) return false;
    const HostKey macros = OpenHostKey(platform_, kMacrosKey, kKeyReadWriteCreate);
    if (!macros) return false;
    HostKey journal = OpenHostKey(platform_, kJournalKey, kJournalAccess);
    JournalFound found = Examine(platform_, journal, self_);
    // A loan joins only a loan in flight; a journal kept for a retry is put
    // right first, and a loan starts afresh from Macro0.
    if (found.state == JournalState::kKept && !Repair(platform_, journal, macros, found)) {
        return false;
    }
    if (found.state == JournalState::kLent) {
        return Join(journal, found) && Lend(journal, macros, found.listed);
    }
    if (journal) Remove(platform_, journal);  // what an incomplete one left
    HostKey created(platform_, platform_.CreateUserKey(kJournalKey, kJournalAccess));
    return Create(created, macros) && Lend(created, macros, Lenders());
}

// kNone to kLent: the user's value saved before Macro0 is written.
bool MacroSlotLoan::Create(HostKey& journal, const HostKey& macros) {
    // What cannot be read cannot be put back: leave the setting alone.
    saved_ = SaveKeyValue(platform_, macros, kFirstMacroValue);
    previous_ = StoredValue();
    if (saved_.presence == ValuePresence::kUnreadable || !journal) return false;
    created_ = true;
    Lenders lenders;
    lenders.Add(self_);
    if (WriteKeyString(platform_, journal, kLentValue, path_) &&
        lenders.Write(platform_, journal) && WriteSaved(platform_, journal, saved_)) {
        return true;
    }
    Remove(platform_, journal);
    return false;
}

// kLent to kLent: one more lender, and the path it lends.
bool MacroSlotLoan::Join(const HostKey& journal, const JournalFound& found) {
    // The user's value is the one the first loan saved.
    saved_ = found.saved;
    previous_ = ReadKeyValue(platform_, journal, kLentValue);
    Lenders lenders = found.alive;
    if (!lenders.Add(self_) || !WriteKeyString(platform_, journal, kLentValue, path_)) {
        return false;
    }
    if (lenders.Write(platform_, journal)) return true;
    PutBackLent(journal);
    return false;
}

// kLent: Macro0 written once the journal records the loan.
bool MacroSlotLoan::Lend(HostKey& journal, const HostKey& macros, const Lenders& listedBefore) {
    if (!WriteKeyString(platform_, macros, kFirstMacroValue, path_)) {
        // Macro0 still holds what it held: run nothing, least of all that.
        Undo(journal, listedBefore);
        return false;
    }
    AddLoanInFlight(self_);
    inFlight_ = true;
    return true;
}

// kLent back to where this loan found the journal: kNone when it made it,
// else the journal as it was, which may be the only record of the user's value.
void MacroSlotLoan::Undo(HostKey& journal, const Lenders& listedBefore) {
    if (created_) {
        Remove(platform_, journal);
        return;
    }
    PutBackLent(journal);
    listedBefore.Write(platform_, journal);
}

void MacroSlotLoan::PutBackLent(const HostKey& journal) {
    if (previous_.presence == ValuePresence::kPresent) {
        platform_.SetValue(journal.get(), kLentValue, kRegSz, previous_.data(), previous_.size());
    }
}

// kLent to kLent, other loans still in flight: this loan's lender goes, and
// Macro0 gets back the path this loan found there, unless a later loan has
// lent it since.
void MacroSlotLoan::Leave(const HostKey& journal, const HostKey& macros, const Lenders& others) {
    others.Write(platform_, journal);
    PathValue lent;
    const bool stillOurs = lent.Read(platform_, journal, kLentValue) &&
                           lent.Is(path_.c_str(), static_cast<std::uint32_t>(path_.size() + 1));
    // The journal says what Macro0 holds: changed only once Macro0 is.
    if (stillOurs && previous_.presence == ValuePresence::kPresent && macros &&
        platform_.SetValue(macros.get(), kFirstMacroValue, kRegSz, previous_.data(),
                           previous_.size()) == kRegSuccess) {
        PutBackLent(journal);
    }
}

void MacroSlotLoan::End() {
    if (!inFlight_) return;
    inFlight_ = false;
    RemoveLoanInFlight(self_);
    // Put back even when the lock cannot be had: a lost setting is worse.
    JournalLock lock(platform_);
    const HostKey macros = OpenHostKey(platform_, kMacrosKey, kKeyWrite);
    HostKey journal = OpenHostKey(platform_, kJournalKey, kJournalAccess);
    if (!journal) {
        // No record to go by: what this loan knows.
        if (macros) RestoreKeyValue(platform_, macros, kFirstMacroValue, saved_);
        return;
    }
    // No longer in flight, this loan's lender is dropped with the ended ones.
    Lenders lenders;
    lenders.Read(platform_, journal);
    lenders.DropEnded(platform_, self_);
    if (lenders.count > 0) {
        Leave(journal, macros, lenders);
    } else {
        // The last loan puts the user's value back with no check of Macro0,
        // which it has open for writing only.
        Settle(platform_, journal, macros, saved_, lenders);
    }
}

void RepairLoans(Platform& platform) {
    JournalLock lock(platform);
    if (lock.owned()) RepairLocked(platform);
}

void RepairLoansAtFirstCall(Platform& platform) {
    if (repairedAtFirstCall) return;
    repairedAtFirstCall = true;
    RepairLoans(platform);
}

RegisteredMacroList RegisteredMacrosOutsideLoans(Platform& platform) {
    RegisteredMacroList macros;
    macros.paths = ReadRegisteredMacros(platform);
    if (macros.paths.empty() || LoansInFlightOf(platform.CurrentProcess()) == 0) return macros;
    const HostKey journal = OpenHostKey(platform, kJournalKey, kKeyRead);
    const ValuePresence presence =
        journal ? SavedPresence(platform, journal) : ValuePresence::kUnreadable;
    if (presence == ValuePresence::kUnreadable) return macros;
    // This process lent Macro0: registered macro 0 is what the journal keeps.
    WideString saved =
        presence == ValuePresence::kPresent ? ReadKeyString(platform, journal, kSavedValue) : u"";
    if (saved.empty()) {
        macros.paths.clear();  // the editor's list ends at an empty Macro0
    } else {
        macros.paths[0] = std::move(saved);
        macros.firstIsKept = true;
    }
    return macros;
}

}  // namespace quorvin
