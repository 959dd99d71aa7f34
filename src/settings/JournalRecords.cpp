#include "settings/JournalRecords.h"

#include <cstring>

namespace quorvin {

namespace {

constexpr const char* kMutexName = "Local\\QuorvinMacro0Loans";
// Taken only while the key is read or written; a holder that hangs for
// longer than this is given up on.
constexpr std::uint32_t kMutexWaitMilliseconds = 10000;

}  // namespace

JournalLock::JournalLock(Platform& platform)
    : platform_(platform), mutex_(platform, platform.CreateNamedMutex(kMutexName)) {
    owned_ = mutex_ && platform.WaitForMutex(mutex_.get(), kMutexWaitMilliseconds);
}

JournalLock::~JournalLock() {
    if (owned_) platform_.ReleaseMutex(mutex_.get());
}

bool HoldsValue(SettingsStore& store, const HostKey& key, const char* value) {
    unsigned char probe[4];
    std::uint32_t type = 0;
    std::uint32_t size = sizeof probe;
    return store.QueryStoredValue(key.get(), value, &type, probe, &size) != kRegFileNotFound;
}

ValuePresence ReadBounded(SettingsStore& store, const HostKey& key, const char* value,
                          std::uint32_t* type, void* buffer, std::uint32_t capacity,
                          std::uint32_t unit, std::uint32_t* size) {
    *size = capacity;
    const long status = store.QueryStoredValue(key.get(), value, type, buffer, size);
    if (status == kRegFileNotFound) return ValuePresence::kAbsent;
    if (status != kRegSuccess || *size > capacity || *size % unit != 0) {
        *size = 0;
        return ValuePresence::kUnreadable;
    }
    return ValuePresence::kPresent;
}

bool Lenders::Read(SettingsStore& store, const HostKey& journal) {
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    count = 0;
    const ValuePresence read =
        ReadBounded(store, journal, kLendersValue, &type, list, sizeof list, sizeof(Lender), &size);
    if (read == ValuePresence::kPresent && type == kRegBinary) count = size / sizeof(Lender);
    return read != ValuePresence::kUnreadable;
}

bool Lenders::Write(SettingsStore& store, const HostKey& journal) const {
    return store.SetStoredValue(journal.get(), kLendersValue, kRegBinary, list,
                                static_cast<std::uint32_t>(count * sizeof(Lender))) == kRegSuccess;
}

bool Lenders::Add(const ProcessStamp& process) {
    if (count == kMostLenders) return false;
    list[count++] = Lender{process.id, 0, process.created};
    return true;
}

void Lenders::DropEnded(Platform& platform, const ProcessStamp& self, std::size_t ownInFlight) {
    for (std::size_t i = 0; i < count;) {
        ProcessStamp process;
        process.id = list[i].id;
        process.created = list[i].created;
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

bool LentPaths::Read(SettingsStore& store, const HostKey& journal) {
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    size_ = 0;
    units_[0] = u'\0';
    const ValuePresence read =
        ReadBounded(store, journal, kLentValue, &type, units_,
                    kMostLentListUnits * sizeof(char16_t), sizeof(char16_t), &size);
    if (read != ValuePresence::kPresent) return read == ValuePresence::kAbsent;
    // One path as REG_SZ is a list of one, as an earlier journal wrote it.
    if (type != kRegSz && type != kRegMultiSz) return true;
    std::size_t units = size / sizeof(char16_t);
    if (units > 0 && units_[units - 1] != u'\0') return false;  // cut short
    while (units > 0 && units_[units - 1] == u'\0') --units;
    size_ = units;
    if (size_ > 0) units_[size_++] = u'\0';
    units_[size_] = u'\0';
    return true;
}

bool LentPaths::Write(SettingsStore& store, const HostKey& journal) const {
    return store.SetStoredValue(journal.get(), kLentValue, kRegMultiSz, units_,
                                static_cast<std::uint32_t>((size_ + 1) * sizeof(char16_t))) ==
           kRegSuccess;
}

WideString LentPaths::Newest() const {
    if (size_ == 0) return WideString();
    std::size_t at = size_ - 1;
    while (at > 0 && units_[at - 1] != u'\0') --at;
    return WideString(units_ + at, size_ - 1 - at);
}

bool LentPaths::Contains(const char16_t* path, std::size_t length) const {
    for (std::size_t at = 0; at < size_; at += LengthAt(at) + 1) {
        if (Is(at, path, length)) return true;
    }
    return false;
}

bool LentPaths::IsNewest(const WideString& path) const {
    const std::size_t length = path.size();
    return size_ > length && Is(size_ - length - 1, path.c_str(), length) &&
           (size_ == length + 1 || units_[size_ - length - 2] == u'\0');
}

bool LentPaths::MoveToEnd(const WideString& path) {
    const std::size_t length = path.size();
    std::size_t kept = 0;
    for (std::size_t at = 0; at < size_;) {
        const std::size_t entry = LengthAt(at) + 1;
        if (!Is(at, path.c_str(), length)) {
            std::memmove(units_ + kept, units_ + at, entry * sizeof(char16_t));
            kept += entry;
        }
        at += entry;
    }
    size_ = kept;
    units_[size_] = u'\0';
    if (length == 0 || size_ + length + 1 >= kMostLentListUnits) return false;
    std::memcpy(units_ + size_, path.c_str(), length * sizeof(char16_t));
    size_ += length;
    units_[size_++] = u'\0';
    units_[size_] = u'\0';
    return true;
}

std::size_t LentPaths::LengthAt(std::size_t at) const {
    std::size_t length = 0;
    while (at + length < size_ && units_[at + length] != u'\0') ++length;
    return length;
}

bool LentPaths::Is(std::size_t at, const char16_t* path, std::size_t length) const {
    return LengthAt(at) == length && std::memcmp(units_ + at, path, length * sizeof(char16_t)) == 0;
}

}  // namespace quorvin
