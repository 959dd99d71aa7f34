#include "settings/LoanJournal.h"

#include <cstdint>
#include <cstring>
#include <utility>

#include "common/OwnedHandle.h"

namespace quorvin {

namespace {

constexpr const char* kMutexName = "Local\\QuorvinMacro0Loans";
constexpr const char* kSavedValue = "Saved";                  // the user's Macro0, type and bytes
constexpr const char* kSavedPresenceValue = "SavedPresence";  // 1 present, 0 absent; last
constexpr const char* kLentValue = "Lent";                    // the path Macro0 holds now
constexpr const char* kLendersValue = "Lenders";              // a Lender per loan in flight
constexpr std::uint32_t kJournalAccess = 0x2001F;             // KEY_READ | KEY_WRITE
// Taken only while the journal is read or written; a holder that hangs for
// longer than this is given up on.
constexpr std::uint32_t kMutexWaitMilliseconds = 10000;

struct Lender {
    std::uint32_t id;
    std::uint32_t unused;
    std::uint64_t created;
};

// Loans in flight at once; nesting and overlapping editors need few.
constexpr std::size_t kMostLenders = 64;

// The lenders as the journal lists them, read and written without the heap.
struct Lenders {
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
    bool Has(const ProcessStamp& process) const { return IndexOf(process) < count; }
    void Remove(const ProcessStamp& process) {
        const std::size_t i = IndexOf(process);
        if (i < count) list[i] = list[--count];
    }
    // Drops the loans whose process is gone; true when any was.
    bool DropEnded(Platform& platform) {
        const std::size_t before = count;
        for (std::size_t i = 0; i < count;) {
            if (platform.IsRunning(Stamp(list[i]))) {
                ++i;
            } else {
                list[i] = list[--count];
            }
        }
        return count != before;
    }

  private:
    static ProcessStamp Stamp(const Lender& lender) {
        ProcessStamp process;
        process.id = lender.id;
        process.created = lender.created;
        return process;
    }
    // count when the process lends nothing.
    std::size_t IndexOf(const ProcessStamp& process) const {
        std::size_t i = 0;
        while (i < count && !(Stamp(list[i]) == process)) ++i;
        return i;
    }
};

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
    if (present &&
        platform.SetStoredValue(journal.get(), kSavedValue, saved.type, saved.bytes.data(),
                                static_cast<std::uint32_t>(saved.bytes.size())) != kRegSuccess) {
        return false;
    }
    const std::uint32_t presence = present ? 1 : 0;
    return platform.SetValue(journal.get(), kSavedPresenceValue, kRegDword, &presence,
                             sizeof presence) == kRegSuccess;
}

bool SameStored(const StoredValue& a, const StoredValue& b) {
    return a.presence == ValuePresence::kPresent && b.presence == ValuePresence::kPresent &&
           a.type == b.type && a.bytes == b.bytes;
}

// The key goes whole, with whatever else it holds: a sub-key left there by a
// registry import or by hand must not keep it, and with it every later loan.
void RemoveJournal(Platform& platform, HostKey& journal) {
    journal.Reset();
    platform.DeleteUserTree(kJournalKey);
}

// With the lock held: drops ended loans and, when none is left in flight,
// puts Macro0 back if it still holds the lent path, then removes the journal.
// A journal that is not complete holds nothing to put back and goes; one
// whose value cannot be put back stays for the next try.
void RepairLocked(Platform& platform) {
    HostKey journal = OpenHostKey(platform, kJournalKey, kJournalAccess);
    if (!journal) return;
    Lenders lenders;
    lenders.Read(platform, journal);
    const bool dropped = lenders.DropEnded(platform);
    if (lenders.count > 0) {
        if (dropped) lenders.Write(platform, journal);
        return;
    }
    const StoredValue saved = SavedValue(platform, journal);
    if (saved.presence != ValuePresence::kUnreadable) {
        const HostKey macros = OpenHostKey(platform, kMacrosKey, kKeyReadWriteCreate);
        if (!macros) {
            if (dropped) lenders.Write(platform, journal);
            return;
        }
        const StoredValue current = ReadKeyValue(platform, macros, kFirstMacroValue);
        const StoredValue lent = ReadKeyValue(platform, journal, kLentValue);
        // Anything else there was put by the user or the editor since.
        if (current.type == kRegSz && SameStored(current, lent) &&
            !RestoreKeyValue(platform, macros, kFirstMacroValue, saved)) {
            if (dropped) lenders.Write(platform, journal);
            return;
        }
    }
    RemoveJournal(platform, journal);
}

bool repairedAtFirstCall = false;

}  // namespace

bool MacroSlotLoan::Begin(const AnsiString& path) {
    self_ = platform_.CurrentProcess();
    path_ = path;
    JournalLock lock(platform_);
    if (!lock.owned()) return false;
    RepairLocked(platform_);
    const HostKey macros = OpenHostKey(platform_, kMacrosKey, kKeyReadWriteCreate);
    if (!macros || !Record(macros)) return false;
    if (!WriteKeyString(platform_, macros, kFirstMacroValue, path_)) {
        // Macro0 still holds what it held: run nothing, least of all that.
        Withdraw();
        return false;
    }
    // Room to read the lent path back, made now: the end must not allocate.
    scratch_.assign(path_.size() + 2, '\0');
    return true;
}

bool MacroSlotLoan::Record(const HostKey& macros) {
    HostKey journal = OpenHostKey(platform_, kJournalKey, kJournalAccess);
    if (journal) {
        // Another loan is in flight: the user's value is the one it saved.
        saved_ = SavedValue(platform_, journal);
        if (saved_.presence != ValuePresence::kUnreadable) return Join(journal);
        // No complete journal, so nothing in it to put back.
        RemoveJournal(platform_, journal);
    }
    Lenders lenders;
    // What cannot be read cannot be put back: leave the setting alone.
    saved_ = SaveKeyValue(platform_, macros, kFirstMacroValue);
    if (saved_.presence == ValuePresence::kUnreadable) return false;
    previous_ = StoredValue();
    HostKey created(platform_, platform_.CreateUserKey(kJournalKey, kJournalAccess));
    lenders.Add(self_);
    const bool recorded =
        created &&
        platform_.SetValue(created.get(), kLentValue, kRegSz, path_.c_str(),
                           static_cast<std::uint32_t>(path_.size() + 1)) == kRegSuccess &&
        lenders.Write(platform_, created) && WriteSaved(platform_, created, saved_);
    if (!recorded) {
        RemoveJournal(platform_, created);
    }
    return recorded;
}

bool MacroSlotLoan::Join(const HostKey& journal) {
    previous_ = ReadKeyValue(platform_, journal, kLentValue);
    Lenders lenders;
    lenders.Read(platform_, journal);
    if (!lenders.Add(self_) || !WriteKeyString(platform_, journal, kLentValue, path_)) {
        return false;
    }
    if (lenders.Write(platform_, journal)) return true;
    PutBackLent(journal);
    return false;
}

void MacroSlotLoan::PutBackLent(const HostKey& journal) {
    if (previous_.presence == ValuePresence::kPresent) {
        platform_.SetValue(journal.get(), kLentValue, kRegSz, previous_.bytes.data(),
                           static_cast<std::uint32_t>(previous_.bytes.size()));
    }
}

void MacroSlotLoan::Withdraw() {
    // Still under the lock that Begin holds.
    HostKey journal = OpenHostKey(platform_, kJournalKey, kJournalAccess);
    if (!journal) return;
    Lenders lenders;
    lenders.Read(platform_, journal);
    lenders.Remove(self_);
    if (lenders.count == 0) {
        RemoveJournal(platform_, journal);
        return;
    }
    lenders.Write(platform_, journal);
    PutBackLent(journal);
}

void MacroSlotLoan::End() {
    // Put back even when the lock cannot be had: a lost setting is worse.
    JournalLock lock(platform_);
    const HostKey macros = OpenHostKey(platform_, kMacrosKey, kKeyWrite);
    HostKey journal = OpenHostKey(platform_, kJournalKey, kJournalAccess);
    Lenders lenders;
    if (journal) {
        lenders.Read(platform_, journal);
        lenders.Remove(self_);
        lenders.DropEnded(platform_);
    }
    if (lenders.count == 0) {
        if (macros && RestoreKeyValue(platform_, macros, kFirstMacroValue, saved_)) {
            RemoveJournal(platform_, journal);
        } else if (journal) {
            // The only record of the user's value: kept, with this loan no
            // longer in flight, for the next command or start to repair.
            lenders.Write(platform_, journal);
        }
        return;
    }
    lenders.Write(platform_, journal);
    // Still the path this loan lent: give back the one it found.
    std::uint32_t type = 0;
    auto size = static_cast<std::uint32_t>(scratch_.size());
    const bool stillOurs = platform_.QueryValue(journal.get(), kLentValue, &type, scratch_.data(),
                                                &size) == kRegSuccess &&
                           size == path_.size() + 1 &&
                           std::memcmp(scratch_.data(), path_.c_str(), size) == 0;
    // The journal says what Macro0 holds: changed only once Macro0 is.
    if (stillOurs && previous_.presence == ValuePresence::kPresent && macros &&
        platform_.SetValue(macros.get(), kFirstMacroValue, kRegSz, previous_.bytes.data(),
                           static_cast<std::uint32_t>(previous_.bytes.size())) == kRegSuccess) {
        PutBackLent(journal);
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

std::vector<WideString> RegisteredMacrosOutsideLoans(Platform& platform) {
    std::vector<WideString> macros = ReadRegisteredMacros(platform);
    const HostKey journal = OpenHostKey(platform, kJournalKey, kKeyRead);
    if (!journal || macros.empty()) return macros;
    Lenders lenders;
    lenders.Read(platform, journal);
    if (!lenders.Has(platform.CurrentProcess())) return macros;
    // This process lent Macro0: registered macro 0 is what the loan saved.
    WideString saved = ReadKeyString(platform, journal, kSavedValue);
    if (SavedPresence(platform, journal) != ValuePresence::kPresent || saved.empty()) {
        macros.clear();  // the editor's list ends at an empty Macro0
    } else {
        macros[0] = std::move(saved);
    }
    return macros;
}

}  // namespace quorvin
