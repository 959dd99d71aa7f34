#include "settings/EditorSettings.h"

#include <cstring>
#include <vector>

#include "common/CodePage.h"
#include "settings/HostSettings.h"
#include "settings/LoanJournal.h"

namespace quorvin {

namespace {

constexpr const char16_t* kPlugInConfig = u"Quorvin";

// Keys as handles: the editor's store names them by number, not by path.
enum StoreKey : std::uintptr_t { kNoKey, kCommon, kMacros, kJournal };

KeyHandle AsHandle(StoreKey key) { return reinterpret_cast<KeyHandle>(key); }
StoreKey KeyOf(KeyHandle handle) {
    return static_cast<StoreKey>(reinterpret_cast<std::uintptr_t>(handle));
}

StoreKey KeyNamed(const char* subKey) {
    if (std::strcmp(subKey, kCommonKey) == 0) return kCommon;
    if (std::strcmp(subKey, kMacrosKey) == 0) return kMacros;
    if (std::strcmp(subKey, kJournalKey) == 0) return kJournal;
    return kNoKey;
}

std::uint32_t EditorKeyOf(StoreKey key) {
    switch (key) {
        case kCommon:
            return kEditorCommonKey;
        case kMacros:
            return kEditorMacrosKey;
        default:
            return kEditorPlugInKey;
    }
}

// The store keeps a type per value name, and answers the type asked for:
// strings in UTF-16, numbers as REG_DWORD, the journal's lists as bytes.
std::uint32_t StoreTypeOf(const char* name) {
    for (const char* dword : {kExtraShortCutValue, kSavedPresenceValue, kEditorLanguageValue}) {
        if (std::strcmp(name, dword) == 0) return kRegDword;
    }
    for (const char* binary : {kLendersValue, kLentValue}) {
        if (std::strcmp(name, binary) == 0) return kRegBinary;
    }
    return kRegSz;
}

// Value names are ASCII.
class WideName {
  public:
    explicit WideName(const char* name) {
        std::size_t i = 0;
        for (; name[i] != '\0' && i + 1 < kLength; ++i) text_[i] = static_cast<char16_t>(name[i]);
        text_[i] = u'\0';
    }
    const char16_t* c_str() const { return text_; }

  private:
    static constexpr std::size_t kLength = 64;
    char16_t text_[kLength];
};

// A string's units with room for a terminator: on the stack up to the
// longest path a loan lends, so that putting Macro0 back allocates nothing.
class StringUnits {
  public:
    explicit StringUnits(std::size_t units) {
        if (units > kStackUnits) {
            heap_.resize(units);
            data_ = heap_.data();
        }
    }
    char16_t* data() { return data_; }

  private:
    static constexpr std::size_t kStackUnits = kMostLentUnits + 1;
    char16_t stack_[kStackUnits];
    std::vector<char16_t> heap_;
    char16_t* data_ = stack_;
};

bool IsFullPath(const WideString& path) {
    return (path.size() >= 2 && path[1] == u':') ||
           (path.size() >= 2 && path[0] == u'\\' && path[1] == u'\\');
}

}  // namespace

void RepairEditorLoans(Platform& system, SettingsStore& registry, WindowHandle window) {
    SettingsChoice settings(system, registry, window);
    RepairLoans(system, settings.store());
}

bool EditorKeepsIniSettings(Platform& platform, WindowHandle window) {
    return window != nullptr &&
           platform.SendWindowMessage(window, kHostMsgInfo, kInfoUsesIni, 0) != 0;
}

KeyHandle EditorSettings::OpenUserKey(const char* subKey, std::uint32_t, long* status) {
    const StoreKey key = KeyNamed(subKey);
    long found = key == kNoKey ? kRegFileNotFound : kRegSuccess;
    if (key == kJournal) {
        // The plug-in's section is there while any of its values is: Lent is
        // a journal's first value and Saved its last, and LastMacro stays.
        // Asked on the stack: a loan's end opens it.
        found = kRegFileNotFound;
        for (const char* value : {kLentValue, kSavedValue, kLastMacroValue}) {
            if (found != kRegFileNotFound) break;
            unsigned char probe[4];
            std::uint32_t size = sizeof probe;
            found = Query(AsHandle(kJournal), value, StoreTypeOf(value), probe, &size);
        }
        if (found == kRegMoreData) found = kRegSuccess;
    }
    if (status != nullptr) *status = found;
    return found == kRegSuccess ? AsHandle(key) : nullptr;
}

KeyHandle EditorSettings::CreateUserKey(const char* subKey, std::uint32_t) {
    const StoreKey key = KeyNamed(subKey);
    return key == kNoKey ? nullptr : AsHandle(key);
}

long EditorSettings::Query(KeyHandle key, const char* name, std::uint32_t type, void* data,
                           std::uint32_t* size) {
    const WideName wideName(name);
    SettingQuery query = {};
    query.cbSize = sizeof query;
    query.dwKey = EditorKeyOf(KeyOf(key));
    query.pszConfig = KeyOf(key) == kJournal ? kPlugInConfig : nullptr;
    query.pszValue = wideName.c_str();
    query.dwType = type;
    query.lpData = static_cast<unsigned char*>(data);
    query.lpcbData = size;
    return static_cast<long>(system_.SendWindowMessage(window_, kHostMsgQuerySetting, 0,
                                                       reinterpret_cast<LParam>(&query)));
}

long EditorSettings::Set(KeyHandle key, const char16_t* name, std::uint32_t type, const void* data,
                         std::uint32_t size) {
    SettingWrite write = {};
    write.cbSize = sizeof write;
    write.dwKey = EditorKeyOf(KeyOf(key));
    write.pszConfig = KeyOf(key) == kJournal ? kPlugInConfig : nullptr;
    write.pszValue = name;
    write.dwType = type;
    write.lpData = static_cast<const unsigned char*>(data);
    write.cbData = size;
    // The journal's lists change size with every loan; without the flag an
    // editor may keep a binary at the size it was first written with.
    write.dwFlags = type == kRegBinary && data != nullptr ? kSettingVariableSize : 0;
    return static_cast<long>(system_.SendWindowMessage(window_, kHostMsgSetSetting, 0,
                                                       reinterpret_cast<LParam>(&write)));
}

long EditorSettings::Fetch(KeyHandle key, const char* name, std::uint32_t type,
                           std::vector<unsigned char>* bytes) {
    // Sized for a typical path; the editor names the size it needs.
    std::uint32_t capacity = 520;
    for (int attempt = 0; attempt < 4; ++attempt) {
        bytes->assign(capacity, 0);
        std::uint32_t size = capacity;
        const long status = Query(key, name, type, bytes->data(), &size);
        if (status == kRegSuccess && size <= capacity) {
            bytes->resize(size);
            return kRegSuccess;
        }
        if (status != kRegSuccess && status != kRegMoreData) return status;
        if (status == kRegSuccess || size <= capacity || size > kMostSettingBytes) break;
        capacity = size;
    }
    bytes->clear();
    return kRegInvalidData;
}

long EditorSettings::QueryStoredValue(KeyHandle key, const char* name, std::uint32_t* type,
                                      void* data, std::uint32_t* size) {
    const std::uint32_t asked = StoreTypeOf(name);
    *type = std::strcmp(name, kLentValue) == 0 ? kRegMultiSz : asked;
    if (data != nullptr) {
        const std::uint32_t capacity = *size;
        const long status = Query(key, name, asked, data, size);
        // A reply that claims more than the buffer holds cannot be trusted.
        return status == kRegSuccess && *size > capacity ? kRegInvalidData : status;
    }
    // The editor's reference allows no query without a buffer but for binaries.
    std::vector<unsigned char> bytes;
    const long status = Fetch(key, name, asked, &bytes);
    *size = static_cast<std::uint32_t>(bytes.size());
    return status;
}

long EditorSettings::QueryValue(KeyHandle key, const char* name, std::uint32_t* type, void* data,
                                std::uint32_t* size) {
    if (StoreTypeOf(name) != kRegSz) return QueryStoredValue(key, name, type, data, size);
    // As the narrow registry call reads a string: in the code page, terminated.
    std::vector<unsigned char> bytes;
    long status = Fetch(key, name, kRegSz, &bytes);
    if (status != kRegSuccess) return status;
    WideString text(bytes.size() / sizeof(char16_t), u'\0');
    if (!text.empty()) std::memcpy(&text[0], bytes.data(), text.size() * sizeof(char16_t));
    text.resize(std::char_traits<char16_t>::length(text.c_str()));
    const NarrowText narrow = quorvin::ToCodePage(system_, text);
    const std::uint32_t length = static_cast<std::uint32_t>(narrow.text.size() + 1);
    *type = kRegSz;
    if (data != nullptr && *size < length) status = kRegMoreData;
    if (data != nullptr && status == kRegSuccess) std::memcpy(data, narrow.text.c_str(), length);
    *size = length;
    return status;
}

long EditorSettings::SetValue(KeyHandle key, const char* name, std::uint32_t type, const void* data,
                              std::uint32_t size) {
    if (!IsStringType(type)) return SetStoredValue(key, name, type, data, size);
    // On the stack for a path: a loan's end writes one back, and needs no heap.
    const int bytes = static_cast<int>(size > 0 ? size - 1 : 0);
    StringUnits units(static_cast<std::size_t>(bytes) + 1);
    const int length = bytes == 0 ? 0
                                  : system_.FromCodePage(static_cast<const char*>(data), bytes,
                                                         units.data(), bytes);
    units.data()[length > 0 ? length : 0] = u'\0';
    return SetStoredValue(
        key, name, kRegSz, units.data(),
        static_cast<std::uint32_t>(((length > 0 ? length : 0) + 1) * sizeof(char16_t)));
}

long EditorSettings::SetStoredValue(KeyHandle key, const char* name, std::uint32_t type,
                                    const void* data, std::uint32_t size) {
    const WideName wideName(name);
    const std::uint32_t stored = StoreTypeOf(name);
    if (stored != kRegSz || !IsStringType(type)) {
        return Set(key, wideName.c_str(), stored, data, size);
    }
    // A string up to its first zero character, and its terminator counted.
    const std::size_t whole = size / sizeof(char16_t);
    StringUnits units(whole + 1);
    std::memcpy(units.data(), data, whole * sizeof(char16_t));
    units.data()[whole] = u'\0';
    const std::size_t length = std::char_traits<char16_t>::length(units.data());
    return Set(key, wideName.c_str(), kRegSz, units.data(),
               static_cast<std::uint32_t>((length + 1) * sizeof(char16_t)));
}

long EditorSettings::DeleteValue(KeyHandle key, const char* name) {
    const WideName wideName(name);
    return Set(key, wideName.c_str(), StoreTypeOf(name), nullptr, 0);
}

long EditorSettings::DeleteUserTree(const char* subKey) {
    const StoreKey key = KeyNamed(subKey);
    if (key != kJournal) return kRegFileNotFound;
    // No value name, REG_SZ: the whole section.
    return Set(AsHandle(key), nullptr, kRegSz, nullptr, 0);
}

WideString EditorSettings::ResolveSettingPath(const WideString& path) {
    if (path.empty() || IsFullPath(path)) return path;
    // A portable editor's path is relative to its program's folder, never to
    // the current directory.
    const WideString program = system_.ProgramPath();
    const std::size_t start = path.find_first_not_of(u'\\');
    return program.substr(0, program.find_last_of(u'\\') + 1) +
           (start == WideString::npos ? WideString() : path.substr(start));
}

}  // namespace quorvin
