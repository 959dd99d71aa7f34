#include "FakePlatform.h"

#include <iconv.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <stdexcept>

#ifndef QUORVIN_FUZZ
#include <gtest/gtest.h>
#endif

#include "plugin/PluginTexts.h"
#include "settings/EditorSettings.h"

namespace quorvin::testing {

bool IsLeadByte(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

namespace {

// As NTFS upper-cases a name to order it: ASCII, Latin-1 and Greek are enough
// for the names tests use.
char16_t UpperUnit(char16_t unit) {
    if ((unit >= u'a' && unit <= u'z') || (unit >= 0xE0 && unit <= 0xFE && unit != 0xF7) ||
        (unit >= 0x3B1 && unit <= 0x3C9 && unit != 0x3C2)) {
        return static_cast<char16_t>(unit - 0x20);
    }
    return unit;
}

std::vector<std::u16string> SplitPath(const std::u16string& path) {
    std::vector<std::u16string> parts;
    std::u16string part;
    for (char16_t unit : path) {
        if (unit == u'\\') {
            if (!part.empty()) {
                parts.push_back(part);
            }
            part.clear();
        } else {
            part += unit;
        }
    }
    if (!part.empty()) {
        parts.push_back(part);
    }
    return parts;
}

std::u16string JoinParts(const std::vector<std::u16string>& parts, std::size_t count) {
    std::u16string joined;
    for (std::size_t i = 0; i < count; ++i) {
        joined += (i == 0 ? u"" : u"\\") + parts[i];
    }
    return joined;
}

// One character of code page 932 and its code point, through the C library;
// results are kept, the library being slow to ask.
class CodePage932 {
  public:
    CodePage932()
        : toUnicode_(iconv_open("UTF-32LE", "CP932")),
          fromUnicode_(iconv_open("CP932", "UTF-32LE")) {
        if (toUnicode_ == reinterpret_cast<iconv_t>(-1) ||
            fromUnicode_ == reinterpret_cast<iconv_t>(-1)) {
            throw std::runtime_error("the C library cannot convert code page 932");
        }
    }
    ~CodePage932() {
        iconv_close(toUnicode_);
        iconv_close(fromUnicode_);
    }

    // 0 when the bytes are no character.
    char32_t Decode(const std::string& bytes) {
        const auto cached = decoded_.find(bytes);
        if (cached != decoded_.end()) {
            return cached->second;
        }
        char32_t code = 0;
        const std::string out = Convert(toUnicode_, bytes, 4);
        if (out.size() == 4) {
            std::memcpy(&code, out.data(), 4);
        }
        return decoded_[bytes] = code;
    }

    // Empty when the code page has no character that reads back as this one.
    std::string Encode(char32_t code) {
        const auto cached = encoded_.find(code);
        if (cached != encoded_.end()) {
            return cached->second;
        }
        std::string in(4, '\0');
        std::memcpy(&in[0], &code, 4);
        std::string out = Convert(fromUnicode_, in, 4);
        if (out.empty() || Decode(out) != code) {
            out.clear();  // a one-way mapping such as U+00A5 to 0x5C
        }
        return encoded_[code] = out;
    }

  private:
    static std::string Convert(iconv_t converter, const std::string& in, std::size_t room) {
        iconv(converter, nullptr, nullptr, nullptr, nullptr);
        std::string input = in;
        char out[8];
        char* inPointer = &input[0];
        std::size_t inLeft = input.size();
        char* outPointer = out;
        std::size_t outLeft = room < sizeof out ? room : sizeof out;
        if (iconv(converter, &inPointer, &inLeft, &outPointer, &outLeft) ==
                static_cast<std::size_t>(-1) ||
            inLeft != 0) {
            return std::string();
        }
        return std::string(out, static_cast<std::size_t>(outPointer - out));
    }

    iconv_t toUnicode_;
    iconv_t fromUnicode_;
    std::map<std::string, char32_t> decoded_;
    std::map<char32_t, std::string> encoded_;
};

CodePage932& Japanese() {
    static CodePage932 codePage;
    return codePage;
}

// Windows reads a byte sequence that is no character of code page 932 as this.
constexpr char16_t kUnknownCharacter = u'\u30FB';

void AppendUtf16(char32_t code, std::u16string& out) {
    if (code >= 0x10000) {
        code -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (code >> 10));
        out += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
    } else {
        out += static_cast<char16_t>(code);
    }
}

// The code point at text[i], and how many code units it takes.
char32_t CodePointAt(const char16_t* text, std::size_t length, std::size_t i, std::size_t* units) {
    const char16_t unit = text[i];
    if (unit >= 0xD800 && unit < 0xDC00 && i + 1 < length && text[i + 1] >= 0xDC00 &&
        text[i + 1] < 0xE000) {
        *units = 2;
        return 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) + (text[i + 1] - 0xDC00);
    }
    *units = 1;
    return unit;
}

constexpr long kAccessDenied = 5;
constexpr long kOutOfMemory = 14;
constexpr std::uint32_t kKeySetValue = 0x2;

}  // namespace

FakePlatform::FakePlatform() = default;
FakePlatform::~FakePlatform() {
#ifdef QUORVIN_FUZZ
    if (refusedStoreCalls != 0) std::abort();
#else
    EXPECT_EQ(0, refusedStoreCalls) << "settings calls that the editor's rules refuse";
#endif
}

// --- Registry ---

void FakePlatform::AddKey(const std::string& key) { keys_[key]; }

namespace {

// As the system reads a string for the narrow call: its UTF-16 in the code
// page, a last odd byte dropped.
std::string NarrowBytes(const std::string& stored) {
    std::u16string units(stored.size() / sizeof(char16_t), u'\0');
    std::memcpy(&units[0], stored.data(), units.size() * sizeof(char16_t));
    return Encode(units);
}

}  // namespace

void FakePlatform::SetValueBytes(const std::string& key, const std::string& name,
                                 std::uint32_t type, const std::string& bytes) {
    // The system keeps a string in UTF-16, whichever call wrote it.
    SetStoredBytes(key, name, type, IsStringType(type) ? Utf16Bytes(Decode(bytes)) : bytes);
}

void FakePlatform::SetStoredBytes(const std::string& key, const std::string& name,
                                  std::uint32_t type, const std::string& bytes) {
    keys_[key][name] = Value{type, bytes};
}

void FakePlatform::SetString(const std::string& key, const std::string& name,
                             const std::string& text, std::uint32_t type) {
    SetValueBytes(key, name, type, text + std::string(1, '\0'));
}

void FakePlatform::SetWideString(const std::string& key, const std::string& name,
                                 const std::u16string& text, std::uint32_t type) {
    SetStoredBytes(key, name, type, Utf16Bytes(text + u'\0'));
}

void FakePlatform::SetDword(const std::string& key, const std::string& name, std::int32_t value) {
    SetValueBytes(key, name, kRegDword, std::string(reinterpret_cast<const char*>(&value), 4));
}

const FakePlatform::Value* FakePlatform::FindStoredValue(const std::string& key,
                                                         const std::string& name) const {
    const auto k = keys_.find(key);
    if (k == keys_.end()) {
        return nullptr;
    }
    const auto v = k->second.find(name);
    return v == k->second.end() ? nullptr : &v->second;
}

std::optional<FakePlatform::Value> FakePlatform::FindValue(const std::string& key,
                                                           const std::string& name) const {
    const Value* stored = FindStoredValue(key, name);
    if (stored == nullptr) {
        return std::nullopt;
    }
    return Value{stored->type,
                 IsStringType(stored->type) ? NarrowBytes(stored->bytes) : stored->bytes};
}

const FakePlatform::OpenKey* FakePlatform::KeyOf(KeyHandle key) const {
    const auto open = openKeys_.find(reinterpret_cast<std::uintptr_t>(key));
    return open == openKeys_.end() ? nullptr : &open->second;
}

bool FakePlatform::Fails(const std::string& call) {
    if (!counting) return false;
    calls.push_back(call);
    return calls.size() == failingCall;
}

KeyHandle FakePlatform::OpenUserKey(const char* subKey, std::uint32_t access, long* status) {
    const InsideFake inside;
    if (status != nullptr) *status = keys_.count(subKey) ? kRegSuccess : kRegFileNotFound;
    if (Fails(std::string("OpenUserKey ") + subKey)) {
        if (status != nullptr) *status = kOutOfMemory;
        return nullptr;
    }
    return Survive(Open(subKey, access));
}

KeyHandle FakePlatform::Open(const char* subKey, std::uint32_t access) {
    if (keys_.count(subKey) == 0) {
        return nullptr;
    }
    keyOpens.emplace_back(subKey, access);
    const std::uintptr_t handle = nextKey_++;
    openKeys_[handle] = OpenKey{subKey, access};
    return reinterpret_cast<KeyHandle>(handle);
}

long FakePlatform::QueryValue(KeyHandle key, const char* name, std::uint32_t* type, void* data,
                              std::uint32_t* size) {
    const InsideFake inside;
    if (Fails(std::string("QueryValue ") + name)) return kOutOfMemory;
    return Survive(Query(key, name, type, data, size, true));
}

long FakePlatform::QueryStoredValue(KeyHandle key, const char* name, std::uint32_t* type,
                                    void* data, std::uint32_t* size) {
    const InsideFake inside;
    if (Fails(std::string("QueryStoredValue ") + name)) return kOutOfMemory;
    return Survive(Query(key, name, type, data, size, false));
}

long FakePlatform::SetStoredValue(KeyHandle key, const char* name, std::uint32_t type,
                                  const void* data, std::uint32_t size) {
    const InsideFake inside;
    if (Fails(std::string("SetStoredValue ") + name)) return kOutOfMemory;
    const OpenKey* open = KeyOf(key);
    if (open == nullptr || (open->access & kKeySetValue) == 0 || Unwritable(name)) {
        return kAccessDenied;
    }
    // As the system's write does: it reads the character past a string that
    // does not end in a zero one, and stores a terminator more when that is zero.
    const auto* bytes = static_cast<const unsigned char*>(data);
    std::uint32_t stored = size;
    if (IsStringType(type) && size >= 2) {
        const std::size_t next = size / 2 * 2;
        const bool lastIsZero = bytes[next - 2] == 0 && bytes[next - 1] == 0;
        if (!lastIsZero && bytes[next] == 0 && bytes[next + 1] == 0) stored += 2;
    }
    SetStoredBytes(open->key, name, type, std::string(static_cast<const char*>(data), stored));
    return Survive(kRegSuccess);
}

long FakePlatform::Query(KeyHandle key, const char* name, std::uint32_t* type, void* data,
                         std::uint32_t* size, bool narrow) {
    const OpenKey* open = KeyOf(key);
    if (open == nullptr) {
        return 6;  // invalid handle
    }
    if (onQuery) {
        onQuery(name, data == nullptr);
    }
    const auto failing = failingValues.find(name);
    if (failing != failingValues.end()) {
        return failing->second;
    }
    std::optional<Value> value;
    if (narrow) {
        value = FindValue(open->key, name);
    } else if (const Value* stored = FindStoredValue(open->key, name)) {
        value = *stored;
    }
    if (!value) {
        return kRegFileNotFound;
    }
    *type = value->type;
    std::string bytes = value->bytes;
    // The narrow call terminates a string stored without a terminator, as Wine does.
    if (narrow && IsStringType(value->type) && (bytes.empty() || bytes.back() != '\0')) {
        bytes.push_back('\0');
    }
    if (reportedSizes.count(name) != 0) return Lie(name, bytes, data, size);
    const auto length = static_cast<std::uint32_t>(bytes.size());
    if (data == nullptr) {
        *size = length;
        return kRegSuccess;
    }
    if (*size < length) {
        *size = length;
        return kRegMoreData;
    }
    std::memcpy(data, bytes.data(), length);
    *size = length;
    return kRegSuccess;
}

long FakePlatform::Lie(const std::string& name, const std::string& bytes, void* data,
                       std::uint32_t* size) {
    if (data != nullptr)
        std::memcpy(data, bytes.data(), std::min<std::size_t>(*size, bytes.size()));
    *size = reportedSizes.at(name);
    return kRegSuccess;
}

long FakePlatform::SetValue(KeyHandle key, const char* name, std::uint32_t type, const void* data,
                            std::uint32_t size) {
    const InsideFake inside;
    if (Fails(std::string("SetValue ") + name)) return kOutOfMemory;
    const OpenKey* open = KeyOf(key);
    if (open == nullptr || (open->access & kKeySetValue) == 0 || Unwritable(name)) {
        return kAccessDenied;
    }
    SetValueBytes(open->key, name, type, std::string(static_cast<const char*>(data), size));
    return Survive(kRegSuccess);
}

long FakePlatform::DeleteValue(KeyHandle key, const char* name) {
    const InsideFake inside;
    if (Fails(std::string("DeleteValue ") + name)) return kOutOfMemory;
    const OpenKey* open = KeyOf(key);
    if (open == nullptr || (open->access & kKeySetValue) == 0 || Unwritable(name)) {
        return kAccessDenied;
    }
    return Survive(keys_[open->key].erase(name) ? kRegSuccess : kRegFileNotFound);
}

void FakePlatform::CloseKey(KeyHandle key) {
    const InsideFake inside;
    if (openKeys_.erase(reinterpret_cast<std::uintptr_t>(key)) == 0) {
        throw std::logic_error("closed a key that was not open");
    }
}

KeyHandle FakePlatform::CreateUserKey(const char* subKey, std::uint32_t access) {
    const InsideFake inside;
    if (Fails(std::string("CreateUserKey ") + subKey)) return nullptr;
    if (std::find(uncreatableKeys.begin(), uncreatableKeys.end(), subKey) !=
        uncreatableKeys.end()) {
        return nullptr;
    }
    keys_[subKey];
    return Survive(Open(subKey, access));
}

long FakePlatform::DeleteUserKey(const char* subKey) {
    if (HasKeyBelow(std::string(subKey) + "\\")) {
        return kAccessDenied;
    }
    return keys_.erase(subKey) ? kRegSuccess : kRegFileNotFound;
}

long FakePlatform::DeleteUserTree(const char* subKey) {
    const InsideFake inside;
    if (Fails(std::string("DeleteUserTree ") + subKey)) return kOutOfMemory;
    const std::string prefix = std::string(subKey) + "\\";
    for (const std::string& key : undeletableKeys) {
        if (key == subKey || key.compare(0, prefix.size(), prefix) == 0) return kAccessDenied;
    }
    while (HasKeyBelow(prefix)) {
        keys_.erase(keys_.lower_bound(prefix));
    }
    return Survive(DeleteUserKey(subKey));
}

bool FakePlatform::Unwritable(const char* name) const {
    return std::find(unwritableValues.begin(), unwritableValues.end(), name) !=
           unwritableValues.end();
}

namespace {
const char* const kJournalValues[] = {"Lent", "Lenders", "Saved", "SavedPresence"};
}  // namespace

bool FakePlatform::HoldsJournal() const {
    for (const char* value : kJournalValues) {
        if (FindStoredValue("Software\\Quorvin", value) != nullptr) return true;
    }
    return false;
}

bool FakePlatform::StoreHoldsJournal() const {
    for (const char* value : kJournalValues) {
        if (FindStoreValue(u"Quorvin", Decode(value)) != nullptr) return true;
    }
    return false;
}

bool FakePlatform::HasKeyBelow(const std::string& prefix) const {
    const auto next = keys_.lower_bound(prefix);
    return next != keys_.end() && next->first.compare(0, prefix.size(), prefix) == 0;
}

bool FakePlatform::IsRunning(const ProcessStamp& process) {
    const InsideFake inside;
    if (Fails("IsRunning " + std::to_string(process.id))) return false;
    if (process == thisProcess) return Survive(true);
    // Refused to open, so not taken for running, as Win32Platform does it.
    if (std::find(unopenableProcesses.begin(), unopenableProcesses.end(), process) !=
        unopenableProcesses.end()) {
        return Survive(false);
    }
    return Survive(std::find(otherProcesses.begin(), otherProcesses.end(), process) !=
                   otherProcesses.end());
}

MutexHandle FakePlatform::CreateNamedMutex(const char* name) {
    const InsideFake inside;
    if (std::string(name) != "Local\\QuorvinMacro0Loans") {
        throw std::logic_error("an unexpected mutex");
    }
    if (Fails("CreateNamedMutex")) return nullptr;
    return Survive(reinterpret_cast<MutexHandle>(0x77));
}

bool FakePlatform::WaitForMutex(MutexHandle, std::uint32_t) {
    const InsideFake inside;
    if (Fails("WaitForMutex") || mutexTimesOut) return false;
    if (mutexHeld) throw std::logic_error("the mutex is held across a call");
    mutexHeld = true;
    if (allocationsFailFromNextLock) {
        allocationsFailFromNextLock = false;
        allocationsFail = true;
    }
    return Survive(true);
}

void FakePlatform::ReleaseMutex(MutexHandle) {
    const InsideFake inside;
    if (!mutexHeld) throw std::logic_error("released a mutex that was not held");
    mutexHeld = false;
}

void FakePlatform::CloseMutex(MutexHandle) {}

bool allocationsFail = false;
int callsInsideFake = 0;

// --- Folders ---

namespace {

bool IsShortNameCharacter(char16_t unit) {
    return (unit >= u'A' && unit <= u'Z') || (unit >= u'0' && unit <= u'9') || unit == u'_' ||
           unit == u'-';
}

char16_t UpperAscii(char16_t unit) {
    return unit >= u'a' && unit <= u'z' ? static_cast<char16_t>(unit - u'a' + u'A') : unit;
}

// At most eight characters, a dot and three more, all of them allowed.
bool IsShortName(const std::u16string& name) {
    const std::size_t dot = name.find(u'.');
    const std::u16string base = name.substr(0, dot);
    const std::u16string extension = dot == std::u16string::npos ? u"" : name.substr(dot + 1);
    if (base.empty() || base.size() > 8 || extension.size() > 3 ||
        extension.find(u'.') != std::u16string::npos) {
        return false;
    }
    for (char16_t unit : base + extension) {
        if (!IsShortNameCharacter(UpperAscii(unit))) {
            return false;
        }
    }
    return true;
}

std::u16string ShortForm(const std::u16string& text, std::size_t most) {
    std::u16string kept;
    for (char16_t unit : text) {
        if (kept.size() < most && IsShortNameCharacter(UpperAscii(unit))) {
            kept += UpperAscii(unit);
        }
    }
    return kept;
}

}  // namespace

std::u16string FakePlatform::ShortNameFor(const std::u16string& folder,
                                          const std::u16string& name) {
    if (IsShortName(name)) {
        return std::u16string();
    }
    const std::size_t dot = name.rfind(u'.');
    std::u16string base = ShortForm(name.substr(0, dot), 6);
    if (base.empty()) {
        // No character of the name is allowed in a short name (a Korean or
        // Japanese name): four hex digits from the name, as NTFS does, so
        // that the short name can be longer than the name itself.
        std::uint32_t hash = 0;
        for (char16_t unit : name) hash = (hash * 31 + unit) & 0xFFFF;
        for (int shift = 12; shift >= 0; shift -= 4)
            base += u"0123456789ABCDEF"[(hash >> shift) & 0xF];
    }
    const std::u16string extension =
        dot == std::u16string::npos ? u"" : ShortForm(name.substr(dot + 1), 3);
    // Numbered per base and folder, as the file system does it.
    const int n = ++nodes_[folder].shortNamesMade[base];
    std::u16string candidate = base + u"~";
    for (char c : std::to_string(n)) candidate += static_cast<char16_t>(c);
    return extension.empty() ? candidate : candidate + u"." + extension;
}

void FakePlatform::AddNode(const std::u16string& path, Node node) {
    const std::vector<std::u16string> parts = SplitPath(path);
    for (std::size_t i = 1; i < parts.size(); ++i) {
        const std::u16string ancestor = JoinParts(parts, i);
        if (nodes_.count(ancestor) == 0) {
            Node folder;
            folder.folder = true;
            AddNode(ancestor, folder);
        }
    }
    const std::u16string canonical = JoinParts(parts, parts.size());
    node.index = nextIndex_++;
    if (parts.size() > 1) {
        const std::u16string parent = JoinParts(parts, parts.size() - 1);
        node.shortName = ShortNameFor(parent, parts.back());
        nodes_[parent].children.push_back(parts.back());
    }
    nodes_[canonical] = node;
}

void FakePlatform::AddFolder(const std::u16string& path) {
    Node node;
    node.folder = true;
    AddNode(path, node);
}

void FakePlatform::AddFile(const std::u16string& path) { AddNode(path, Node()); }

void FakePlatform::AddLink(const std::u16string& path, const std::u16string& target) {
    Node node;
    node.linkTarget = target;
    AddNode(path, node);
}

const FakePlatform::Node* FakePlatform::Child(const std::u16string& folder,
                                              const std::u16string& part,
                                              std::u16string* name) const {
    const std::u16string prefix = folder.empty() ? u"" : folder + u"\\";
    const auto found = nodes_.find(prefix + part);
    if (found != nodes_.end()) {
        *name = part;
        return &found->second;
    }
    const auto parent = nodes_.find(folder);
    if (!shortNames || parent == nodes_.end()) {
        return nullptr;
    }
    for (const std::u16string& child : parent->second.children) {
        const Node& node = nodes_.at(prefix + child);
        if (!node.shortName.empty() && node.shortName == part) {
            *name = child;
            return &node;
        }
    }
    return nullptr;
}

std::u16string FakePlatform::Canonical(const std::u16string& path, int depth,
                                       std::u16string* shortPath, std::u16string* longPath) const {
    if (path.size() >= kMaxPath || depth > 32) {
        return std::u16string();
    }
    std::u16string current;
    for (const std::u16string& part : SplitPath(path)) {
        std::u16string name;
        const Node* node = Child(current, part, &name);
        if (node == nullptr) {
            return std::u16string();
        }
        if (shortPath != nullptr) {
            // Each component by its short name, the link's own included.
            *shortPath += (shortPath->empty() ? u"" : u"\\") +
                          (shortNames && !node->shortName.empty() ? node->shortName : name);
        }
        if (longPath != nullptr) *longPath += (longPath->empty() ? u"" : u"\\") + name;
        const std::u16string candidate = current.empty() ? name : current + u"\\" + name;
        current = node->linkTarget.empty() ? candidate : Canonical(node->linkTarget, depth + 1);
        if (current.empty()) {
            return current;
        }
    }
    return current;
}

const FakePlatform::Node* FakePlatform::Resolve(const std::u16string& path) const {
    const auto found = nodes_.find(Canonical(path, 0));
    return found == nodes_.end() ? nullptr : &found->second;
}

FindHandle FakePlatform::FindFirst(const char16_t* pattern, FindEntry* entry) {
    ++enumerations;
    std::u16string folder(pattern);
    if (folder.size() >= kMaxPath || folder.size() < 2 || folder.back() != u'*') {
        return nullptr;
    }
    folder.pop_back();
    const Node* node = Resolve(folder);
    if (node == nullptr || !node->folder) {
        return nullptr;
    }
    Enumeration enumeration;
    enumeration.folder = Canonical(folder, 0);
    enumeration.names = node->children;
    if (!listsInWriteOrder) {
        std::stable_sort(
            enumeration.names.begin(), enumeration.names.end(),
            [](const std::u16string& a, const std::u16string& b) {
                return std::lexicographical_compare(
                    a.begin(), a.end(), b.begin(), b.end(),
                    [](char16_t x, char16_t y) { return UpperUnit(x) < UpperUnit(y); });
            });
    }
    enumeration.names.insert(enumeration.names.begin(), {u".", u".."});
    const std::uintptr_t handle = nextFind_++;
    finds_[handle] = enumeration;
    ++openFinds_;
    FindNext(reinterpret_cast<FindHandle>(handle), entry);
    return reinterpret_cast<FindHandle>(handle);
}

bool FakePlatform::FindNext(FindHandle find, FindEntry* entry) {
    Enumeration& enumeration = finds_.at(reinterpret_cast<std::uintptr_t>(find));
    if (enumeration.next >= enumeration.names.size()) {
        return false;
    }
    const std::u16string& name = enumeration.names[enumeration.next++];
    std::memset(entry->name, 0, sizeof entry->name);
    std::memcpy(entry->name, name.data(),
                std::min(name.size(), std::size_t{kMaxPath - 1}) * sizeof(char16_t));
    // A link shows as a reparse point, with the kind of what it leads to. The
    // listing knows its entries at any path length.
    const auto found = nodes_.find(enumeration.folder + u"\\" + name);
    entry->attributes = kFileAttributeDirectory;
    if (found != nodes_.end()) {
        const Node* target =
            found->second.linkTarget.empty() ? &found->second : Resolve(found->second.linkTarget);
        entry->attributes = target != nullptr && target->folder ? kFileAttributeDirectory : 0x20;
        if (!found->second.linkTarget.empty()) {
            entry->attributes |= kFileAttributeReparsePoint;
        }
    }
    return true;
}

void FakePlatform::FindClose(FindHandle find) {
    if (finds_.erase(reinterpret_cast<std::uintptr_t>(find)) == 0) {
        throw std::logic_error("closed an enumeration that was not open");
    }
    --openFinds_;
}

void FakePlatform::SetFolderIdentity(const std::u16string& path, std::uint32_t volume,
                                     std::uint64_t index) {
    Node& node = nodes_.at(Canonical(path, 0));
    node.volume = volume;
    node.index = index;
}

std::uint64_t FakePlatform::FolderIndex(const std::u16string& path) const {
    return nodes_.at(Canonical(path, 0)).index;
}

bool FakePlatform::FolderIdentityOf(const char16_t* path, FolderIdentity* identity) {
    ++identityQueries;
    const Node* node = Resolve(path);
    if (node == nullptr) {
        return false;
    }
    identity->volume = node->volume;
    identity->index = node->index;
    return true;
}

bool FakePlatform::ShortPathOf(const char16_t* path, WideString* shortPath) {
    std::u16string result;
    if (Fails("ShortPathOf") || Canonical(path, 0, &result).empty()) {
        return false;
    }
    *shortPath = result;
    return Survive(true);
}

bool FakePlatform::LongPathOf(const char16_t* path, WideString* longPath) {
    std::u16string result;
    if (Fails("LongPathOf") || Canonical(path, 0, nullptr, &result).empty()) {
        return false;
    }
    *longPath = result;
    return Survive(true);
}

// --- Menus ---

bool FakePlatform::FileAttributesOf(const char16_t* path, std::uint32_t* attributes) {
    ++attributeQueries;
    const Node* node = Resolve(path);
    if (node == nullptr) return false;
    *attributes = node->folder ? kFileAttributeDirectory : 0x20;
    return true;
}

int FakePlatform::CompareNames(const char16_t* a, std::size_t aLength, const char16_t* b,
                               std::size_t bLength) {
    ++nameComparisons;
    for (std::size_t i = 0; i < aLength && i < bLength; ++i) {
        if (UpperUnit(a[i]) != UpperUnit(b[i])) return UpperUnit(a[i]) < UpperUnit(b[i]) ? -1 : 1;
    }
    return aLength == bLength ? 0 : aLength < bLength ? -1 : 1;
}

const FakePlatform::Menu& FakePlatform::MenuAt(MenuHandle handle) const {
    return menus_.at(handle);
}

int FakePlatform::LiveMenuCount() const {
    return static_cast<int>(std::count_if(menus_.begin(), menus_.end(),
                                          [](const auto& menu) { return !menu.second.destroyed; }));
}

MenuHandle FakePlatform::CreatePopupMenu() {
    if (menusLeft == 0) {
        return nullptr;  // the process's USER objects are used up
    }
    --menusLeft;
    const auto handle = reinterpret_cast<MenuHandle>(nextMenu_++);
    menus_[handle] = Menu();
    return handle;
}

bool FakePlatform::InsertItem(MenuHandle menu, std::uint32_t position, const MenuItem& item) {
    const auto found = menus_.find(menu);
    if (found == menus_.end() || found->second.destroyed) {
        return false;
    }
    Item inserted;
    inserted.type = item.type;
    // Windows' own values: MENUITEMINFO's size, MIIM_STATE, _ID, _SUBMENU, _TYPE.
    // 44 bytes on 32-bit Windows, 72 on 64-bit.
    constexpr std::uint32_t kWindowsRecordSize = sizeof(void*) == 8 ? 72 : 44;
    if (item.size != kWindowsRecordSize) {
        throw std::logic_error("a menu item record of the wrong size");
    }
    if (item.mask & 0x1) {
        inserted.state = item.state;
    }
    if (item.mask & 0x2) {
        inserted.id = item.id;
    }
    if (item.mask & 0x4) {
        inserted.submenu = item.submenu;
        if (item.submenu != nullptr && !refusedSubmenuLabel.empty() &&
            std::u16string(item.text, item.textLength) == refusedSubmenuLabel) {
            return false;
        }
    }
    if ((item.mask & 0x10) && item.text != nullptr) {
        inserted.trueLabel.assign(item.text, item.textLength);
        if (std::char_traits<char16_t>::length(item.text) != item.textLength) {
            throw std::logic_error("label length disagrees with its text");
        }
        inserted.label = Encode(inserted.trueLabel);
    }
    std::vector<Item>& items = found->second.items;
    items.insert(items.begin() + std::min<std::size_t>(position, items.size()), inserted);
    return true;
}

std::uint32_t FakePlatform::TrackPopupMenu(MenuHandle menu, std::uint32_t flags, long x, long y,
                                           WindowHandle owner, bool* withModifier) {
    shownMenu = menu;
    shownOwner = owner;
    shownFlags = flags;
    shownX = x;
    shownY = y;
    const std::uint32_t chosen = onTrack ? onTrack(*this, menu) : 0;
    *withModifier = chosen != 0 && chooseWithModifier;
    return chosen;
}

bool FakePlatform::DestroyMenu(MenuHandle menu) {
    const auto found = menus_.find(menu);
    if (found == menus_.end() || found->second.destroyed) {
        return false;
    }
    found->second.destroyed = true;
    destroyedOrder.push_back(menu);
    // As on Windows, sub-menus still attached go with their parent.
    for (const Item& item : found->second.items) {
        if (item.submenu != nullptr) {
            DestroyMenu(item.submenu);
        }
    }
    return true;
}

CursorPosition FakePlatform::GetCursorPos() {
    CursorPosition cursor;
    cursor.x = 321;
    cursor.y = 654;
    return cursor;
}

const FakePlatform::Item* FakePlatform::FindItem(MenuHandle menu, const std::string& label) const {
    for (const Item& item : MenuAt(menu).items) {
        if (item.label == label) {
            return &item;
        }
        if (item.submenu != nullptr) {
            if (const Item* inner = FindItem(item.submenu, label)) {
                return inner;
            }
        }
    }
    return nullptr;
}

std::function<std::uint32_t(FakePlatform&, MenuHandle)> FakePlatform::Choose(
    const std::string& label) {
    return [label](FakePlatform& platform, MenuHandle menu) -> std::uint32_t {
        const Item* item = platform.FindItem(menu, label);
        if (item == nullptr) {
            throw std::logic_error("no menu item labelled " + label);
        }
        return item->id;
    };
}

// --- Windows and the shell ---

void FakePlatform::SetStoreString(const std::u16string& section, const std::u16string& name,
                                  const std::u16string& text) {
    editorStore[section][name] = StoreValue{kRegSz, Utf16Bytes(text + u'\0')};
}

const FakePlatform::StoreValue* FakePlatform::FindStoreValue(const std::u16string& section,
                                                             const std::u16string& name) const {
    const auto found = editorStore.find(section);
    if (found == editorStore.end()) return nullptr;
    const auto value = found->second.find(name);
    return value == found->second.end() ? nullptr : &value->second;
}

LResult FakePlatform::AnswerStoreMessage(std::uint32_t message, LParam lParam) {
    constexpr long kInvalidData = 13;
    auto sectionOf = [](std::uint32_t key, const char16_t* config) {
        return key == kEditorCommonKey   ? std::u16string(u"Common")
               : key == kEditorMacrosKey ? std::u16string(u"Macros")
                                         : std::u16string(config ? config : u"");
    };
    constexpr long kInvalidParameter = 87;
    ++storeMessages;
    if (message == kHostMsgQuerySetting) {
        const auto* query = reinterpret_cast<const SettingQuery*>(lParam);
        // No buffer only for binary data; the flags are reserved.
        if (query->cbSize != sizeof *query || query->dwFlags != 0 ||
            (query->lpData == nullptr && query->dwType != kRegBinary)) {
            ++refusedStoreCalls;
            return kInvalidParameter;
        }
        if (query->lpData != nullptr) {
            largestBufferOffered = std::max(largestBufferOffered, *query->lpcbData);
        }
        const StoreValue* value =
            FindStoreValue(sectionOf(query->dwKey, query->pszConfig), query->pszValue);
        if (value == nullptr) return kRegFileNotFound;
        if (value->type != query->dwType) return kInvalidData;
        const std::string name = Encode(query->pszValue);
        if (reportedSizes.count(name) != 0) {
            return Lie(name, value->bytes, query->lpData, query->lpcbData);
        }
        const auto length = static_cast<std::uint32_t>(value->bytes.size());
        if (query->lpData != nullptr && *query->lpcbData < length) {
            *query->lpcbData = length;
            return kRegMoreData;
        }
        if (query->lpData != nullptr) std::memcpy(query->lpData, value->bytes.data(), length);
        *query->lpcbData = length;
        return kRegSuccess;
    }
    const auto* write = reinterpret_cast<const SettingWrite*>(lParam);
    const std::u16string section = sectionOf(write->dwKey, write->pszConfig);
    // The variable-size flag only on binary data; a binary without it keeps
    // the size it has.
    const bool variable = (write->dwFlags & kSettingVariableSize) != 0;
    const StoreValue* stored =
        write->pszValue != nullptr ? FindStoreValue(section, write->pszValue) : nullptr;
    if (write->cbSize != sizeof *write || (write->dwFlags & ~kSettingVariableSize) != 0 ||
        (variable && write->dwType != kRegBinary) ||
        (write->lpData != nullptr && write->dwType == kRegBinary && !variable &&
         stored != nullptr && stored->bytes.size() != write->cbData)) {
        ++refusedStoreCalls;
        return kInvalidParameter;
    }
    if (write->pszValue != nullptr && Unwritable(Encode(write->pszValue).c_str())) {
        return kAccessDenied;
    }
    if (write->lpData == nullptr && write->pszValue == nullptr) {
        return editorStore.erase(section) ? kRegSuccess : kRegFileNotFound;
    }
    if (write->lpData == nullptr) {
        const auto found = editorStore.find(section);
        const bool erased = found != editorStore.end() && found->second.erase(write->pszValue);
        if (found != editorStore.end() && found->second.empty()) editorStore.erase(found);
        return erased ? kRegSuccess : kRegFileNotFound;
    }
    editorStore[section][write->pszValue] = StoreValue{
        write->dwType, std::string(reinterpret_cast<const char*>(write->lpData), write->cbData)};
    return kRegSuccess;
}

WindowHandle FakePlatform::RootOwnerOf(WindowHandle window) {
    const InsideFake inside;
    for (auto owner = windowOwners.find(window); owner != windowOwners.end();
         owner = windowOwners.find(window)) {
        window = owner->second;
    }
    return window;
}

LResult FakePlatform::SendWindowMessage(WindowHandle window, std::uint32_t message, WParam wParam,
                                        LParam lParam) {
    const InsideFake inside;
    const bool toStore = message == kHostMsgQuerySetting || message == kHostMsgSetSetting;
    if (Fails("SendWindowMessage " + std::to_string(message) + " " + std::to_string(wParam))) {
        return toStore ? 14 : 0;
    }
    if ((message == kHostMsgInfo || toStore) && windowOwners.count(window) != 0) {
        ++refusedStoreCalls;  // a dialog
        return Survive(0);
    }
    if (message == kHostMsgInfo && wParam == kInfoGetLanguage) {
        if (lParam == 0) {
            ++refusedStoreCalls;  // the editor fills the buffer it is given
            return Survive(0);
        }
        // The language folder, and the rest of the buffer to its end.
        auto* folder = reinterpret_cast<char16_t*>(lParam);
        const std::u16string name = u"C:\\Tools\\EmEditor\\Languages";
        std::fill(folder, folder + kLanguageFolderUnits, u'\0');
        std::copy(name.begin(), name.end(), folder);
        return Survive(editorLanguage);
    }
    if (message == kHostMsgInfo) return Survive(wParam == kInfoUsesIni && keepsIniSettings ? 1 : 0);
    if (toStore) return Survive(AnswerStoreMessage(message, lParam));
    Message sent{false, window, message, wParam, lParam, {}, {}};
    if (message == 2085 && lParam != 0) {
        sent.text = reinterpret_cast<const char*>(lParam);
    }
    if ((message == 2096 || message == 2104) && lParam != 0) {
        sent.wideText = reinterpret_cast<const char16_t*>(lParam);
    }
    LResult result = 0;
    if (message == 2096) {
        // The editor's frame, no record, a full path: else refused.
        const std::u16string& path = sent.wideText;
        const bool full = path.size() > 2 && (path[1] == u':' || path.substr(0, 2) == u"\\\\");
        if (windowOwners.count(window) != 0 || wParam != 0 || lParam == 0 || !full) {
            ++refusedStoreCalls;
        } else {
            const Node* node = Resolve(path);
            result = node != nullptr && !node->folder ? 1 : 0;
        }
    }
    messages.push_back(sent);
    if (onSend) {
        onSend(sent);
    }
    return Survive(result);
}

bool FakePlatform::PostWindowMessage(WindowHandle window, std::uint32_t message, WParam wParam,
                                     LParam lParam) {
    const InsideFake inside;
    if (Fails("PostWindowMessage " + std::to_string(wParam))) return false;
    messages.push_back(Message{true, window, message, wParam, lParam, {}, {}});
    return Survive(true);
}

void FakePlatform::ShellExecuteVerb(WindowHandle window, const char16_t* verb, const char16_t* file,
                                    const char16_t* parameters, const char16_t* directory,
                                    int show) {
    shellRequests.push_back(
        ShellRequest{window, verb, file, directory ? directory : u"", parameters != nullptr, show});
}

int FakePlatform::ShowMessageBox(WindowHandle owner, const char16_t* text, const char16_t* caption,
                                 std::uint32_t type) {
    const auto macro0 = FindValue("Software\\EmSoft\\EmEditor v3\\Macros", "Macro0");
    messageBoxes.push_back(
        MessageBoxCall{owner, text, caption, type, macro0 ? macro0->bytes.c_str() : ""});
    return messageBoxAnswer;
}

// --- Text ---

WideString FakePlatform::LoadWideString(ModuleHandle, std::uint32_t id) {
    const auto found = strings.find(id);
    return found == strings.end() ? WideString() : Decode(found->second);
}

int FakePlatform::LoadStringText(ModuleHandle, std::uint32_t id, char* buffer, int size) {
    loadStringSizes.push_back(size);
    const auto found = strings.find(id);
    if (found == strings.end() || size <= 0) {
        return 0;
    }
    const std::size_t length = std::min(found->second.size(), static_cast<std::size_t>(size - 1));
    std::memcpy(buffer, found->second.data(), length);
    buffer[length] = '\0';
    return static_cast<int>(length);
}

int FakePlatform::ToCodePage(const char16_t* text, int length, char* buffer, int size,
                             bool* usedDefault) {
    const InsideFake inside;
    *usedDefault = false;
    std::string bytes;
    for (std::size_t i = 0, units = 0; i < static_cast<std::size_t>(length); i += units) {
        const char32_t code = CodePointAt(text, static_cast<std::size_t>(length), i, &units);
        const auto oneWay = oneWayMappings.find(code);
        const std::string character = code < 0x80 ? std::string(1, static_cast<char>(code))
                                      : oneWay != oneWayMappings.end() ? oneWay->second
                                                                       : Japanese().Encode(code);
        if (character.empty()) {
            *usedDefault = true;
            bytes += '?';
        } else {
            bytes += character;
        }
    }
    if (bytes.size() > static_cast<std::size_t>(size)) {
        return 0;
    }
    std::memcpy(buffer, bytes.data(), bytes.size());
    return static_cast<int>(bytes.size());
}

int FakePlatform::FromCodePage(const char* text, int length, char16_t* buffer, int size) {
    const InsideFake inside;
    std::u16string units;
    for (int i = 0; i < length;) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x80) {
            units += static_cast<char16_t>(byte);
            ++i;
            continue;
        }
        const int width = IsLeadByte(byte) && i + 1 < length ? 2 : 1;
        const char32_t code = Japanese().Decode(std::string(text + i, width));
        if (code == 0) {
            units += kUnknownCharacter;
        } else {
            AppendUtf16(code, units);
        }
        i += width;
    }
    if (units.size() > static_cast<std::size_t>(size)) {
        return 0;
    }
    std::memcpy(buffer, units.data(), units.size() * sizeof(char16_t));
    return static_cast<int>(units.size());
}

void FakePlatform::LowerInPlace(char16_t* text) {
    // ASCII, Latin-1 and Greek capitals: enough for the names tests use.
    for (char16_t* p = text; *p != u'\0'; ++p) {
        const char16_t unit = *p;
        if ((unit >= u'A' && unit <= u'Z') || (unit >= 0xC0 && unit <= 0xDE && unit != 0xD7)) {
            *p = static_cast<char16_t>(unit + 0x20);
        } else if (unit >= 0x391 && unit <= 0x3A9 && unit != 0x3A2) {
            *p = static_cast<char16_t>(unit + 0x20);
        }
    }
}

void FakePlatform::CopyText(char* destination, const char* source, int size) {
    if (size <= 0) {
        throw std::logic_error("copy with no room");
    }
    int i = 0;
    for (; i < size - 1 && source[i] != '\0'; ++i) {
        destination[i] = source[i];
    }
    destination[i] = '\0';
}

std::u16string Decode(const std::string& text) {
    FakePlatform platform;
    std::u16string wide(text.size(), u'\0');
    wide.resize(static_cast<std::size_t>(platform.FromCodePage(
        text.data(), static_cast<int>(text.size()), &wide[0], static_cast<int>(wide.size()))));
    return wide;
}

std::string Encode(const std::u16string& text) {
    FakePlatform platform;
    std::string bytes(text.size() * 3, '\0');
    bool usedDefault = false;
    bytes.resize(static_cast<std::size_t>(
        platform.ToCodePage(text.data(), static_cast<int>(text.size()), &bytes[0],
                            static_cast<int>(bytes.size()), &usedDefault)));
    return bytes;
}

std::string Utf16Bytes(const std::u16string& text) {
    return std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(char16_t));
}

std::string Utf8(const std::u16string& text) {
    std::string out;
    for (std::size_t i = 0, units = 0; i < text.size(); i += units) {
        const char32_t code = CodePointAt(text.data(), text.size(), i, &units);
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (code >> 18));
            out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return out;
}

}  // namespace quorvin::testing
