#pragma once

#include <cstddef>
#include <cstdint>

#include "common/AnsiString.h"
#include "platform/Platform.h"
#include "settings/HostSettings.h"

// The records the loan journal keeps: who lends Macro0, and every path its
// loans lent. Both are read and written on the stack, so that a loan's end
// needs no heap, and both are read only through ReadBounded: a store that
// reports more than the buffer holds, or a record cut short, never makes the
// journal read past its end.
namespace quorvin {

constexpr std::uint32_t kJournalAccess = 0x2001F;  // KEY_READ | KEY_WRITE

// Holds the mutex Local\QuorvinMacro0Loans, under which the plug-in's key is
// read and changed, for one read or change of it.
class JournalLock {
  public:
    explicit JournalLock(Platform& platform);
    ~JournalLock();
    JournalLock(const JournalLock&) = delete;
    JournalLock& operator=(const JournalLock&) = delete;
    bool owned() const { return owned_; }

  private:
    static void Close(Platform& platform, MutexHandle mutex) { platform.CloseMutex(mutex); }
    Platform& platform_;
    OwnedHandle<Platform, MutexHandle, &JournalLock::Close> mutex_;
    bool owned_ = false;
};

// Whether the key holds the value, asked with a buffer on the stack: any
// answer but "not found" counts as there.
bool HoldsValue(SettingsStore& store, const HostKey& key, const char* value);

constexpr const char* kLentValue = "Lent";
constexpr const char* kLendersValue = "Lenders";

// The longest path a loan lends, in UTF-16 units; the walk's paths are far
// shorter. Bounded, so that the end of a loan compares paths on the stack.
constexpr std::size_t kMostLentUnits = 4096;
// Every path the journal's loans lent, at most; a loan past it lends nothing.
constexpr std::size_t kMostLentListUnits = 8192;
// Loans in flight at once; nesting and overlapping editors need few.
constexpr std::size_t kMostLenders = 64;

// A value read into a fixed buffer: kAbsent when it is not there, kUnreadable
// when the read failed, the value is larger than the buffer, the store
// reports more bytes than the buffer has, or the bytes are not whole units.
ValuePresence ReadBounded(SettingsStore& store, const HostKey& key, const char* value,
                          std::uint32_t* type, void* buffer, std::uint32_t capacity,
                          std::uint32_t unit, std::uint32_t* size);

struct Lenders {
    struct Lender {
        std::uint32_t id;
        std::uint32_t unused;
        std::uint64_t created;
    };
    Lender list[kMostLenders];
    std::size_t count = 0;

    // False when the value could not be read whole; absent, or not binary, none.
    bool Read(SettingsStore& store, const HostKey& journal);
    bool Write(SettingsStore& store, const HostKey& journal) const;
    bool Add(const ProcessStamp& process);
    // Drops the lenders that are not alive: a lender of this process is alive
    // only while this process has as many loans in flight.
    void DropEnded(Platform& platform, const ProcessStamp& self, std::size_t ownInFlight);
};

// The paths the journal's loans lent, in UTF-16, each ending in a zero, the
// newest last.
class LentPaths {
  public:
    LentPaths() { units_[0] = u'\0'; }
    // False when the value could not be read whole, or its last path has no
    // terminator; absent, or not a string, none.
    bool Read(SettingsStore& store, const HostKey& journal);
    bool Write(SettingsStore& store, const HostKey& journal) const;
    // What Macro0 holds as far as the journal knows; empty when it lists none.
    WideString Newest() const;
    bool Contains(const char16_t* path, std::size_t length) const;
    bool IsNewest(const WideString& path) const;
    // The path last, once; false when the list has no room for it.
    bool MoveToEnd(const WideString& path);

  private:
    std::size_t LengthAt(std::size_t at) const;
    bool Is(std::size_t at, const char16_t* path, std::size_t length) const;

    // Always a zero past the last path: the list's own terminator.
    char16_t units_[kMostLentListUnits + 1];
    std::size_t size_ = 0;
};

}  // namespace quorvin
