#include "settings/HostSettings.h"

#include <cstring>
#include <string>
#include <utility>

#include "common/CodePage.h"

namespace quorvin {

namespace {

// A value that keeps growing between the size query and the read is given up
// on after this many reads rather than read for ever.
constexpr int kReadAttempts = 4;
// No setting the plug-in reads is near this; a larger size is not allocated.
constexpr std::uint32_t kMostValueBytes = 1024 * 1024;

}  // namespace

void CloseHostKey(SettingsStore& store, KeyHandle key) { store.CloseKey(key); }

HostKey OpenHostKey(SettingsStore& store, const char* key, std::uint32_t access, long* status) {
    return HostKey(store, store.OpenUserKey(key, access, status));
}

StoredValue SaveKeyValue(SettingsStore& store, const HostKey& key, const char* value) {
    StoredValue result;
    std::uint32_t size = 0;
    long status = store.QueryStoredValue(key.get(), value, &result.type, nullptr, &size);
    if (status == kRegFileNotFound) {
        return result;
    }
    result.presence = ValuePresence::kUnreadable;
    if (status != kRegSuccess || size > kMostValueBytes) {
        return result;
    }
    for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
        // A value that fills the byte past its size has grown since; the
        // padding follows whatever the query returns.
        result.padded.assign(std::size_t{size} + 1 + kStoredValuePadding, '\0');
        std::uint32_t returned = size + 1;
        status =
            store.QueryStoredValue(key.get(), value, &result.type, result.padded.data(), &returned);
        if (status == kRegSuccess && returned <= size + 1) {
            result.padded.resize(returned);
            result.padded.insert(result.padded.end(), kStoredValuePadding, '\xFF');
            result.presence = ValuePresence::kPresent;
            return result;
        }
        if (status == kRegFileNotFound) {
            result.padded.clear();
            result.presence = ValuePresence::kAbsent;
            return result;
        }
        if (status != kRegMoreData) {
            break;
        }
        size = returned > size ? returned : size + 1;
        if (size > kMostValueBytes) break;
    }
    result.padded.clear();
    result.presence = ValuePresence::kUnreadable;
    return result;
}

WideString ReadKeyString(Platform& platform, SettingsStore& store, const HostKey& key,
                         const char* value) {
    return TextOf(platform, SaveKeyValue(store, key, value));
}

WideString TextOf(Platform& platform, const StoredValue& stored) {
    if (stored.presence != ValuePresence::kPresent) {
        return WideString();
    }
    const char* bytes = stored.data();
    const std::size_t size = stored.size();
    if (IsStringType(stored.type)) {
        // A last odd byte is half a character: the system's own reads drop it.
        WideString text(size / sizeof(char16_t), u'\0');
        std::memcpy(&text[0], bytes, text.size() * sizeof(char16_t));
        text.resize(std::char_traits<char16_t>::length(text.c_str()));
        return text;
    }
    const void* zero = std::memchr(bytes, '\0', size);
    const std::size_t length =
        zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - bytes) : size;
    return FromCodePage(platform, AnsiString(bytes, length));
}

bool WriteKeyString(SettingsStore& store, const HostKey& key, const char* value,
                    const AnsiString& text) {
    return store.SetValue(key.get(), value, kRegSz, text.c_str(),
                          static_cast<std::uint32_t>(text.size() + 1)) == kRegSuccess;
}

bool RestoreKeyValue(SettingsStore& store, const HostKey& key, const char* value,
                     const StoredValue& saved) {
    if (saved.presence == ValuePresence::kAbsent) {
        return DeleteKeyValue(store, key, value);
    }
    return saved.presence == ValuePresence::kPresent &&
           store.SetStoredValue(key.get(), value, saved.type, saved.data(), saved.size()) ==
               kRegSuccess;
}

bool DeleteKeyValue(SettingsStore& store, const HostKey& key, const char* value) {
    const long status = store.DeleteValue(key.get(), value);
    return status == kRegSuccess || status == kRegFileNotFound;
}

PathText PathTextOf(Platform& platform, const WideString& path) {
    PathText text;
    text.wide = path;
    NarrowText narrow = ToCodePage(platform, path);
    if (narrow.exact) text.narrow = static_cast<AnsiString&&>(narrow.text);
    return text;
}

bool WritePathText(SettingsStore& store, const HostKey& key, const char* value,
                   const PathText& text) {
    if (!text.narrow.empty()) return WriteKeyString(store, key, value, text.narrow);
    return store.SetStoredValue(key.get(), value, kRegSz, text.wide.c_str(),
                                static_cast<std::uint32_t>((text.wide.size() + 1) *
                                                           sizeof(char16_t))) == kRegSuccess;
}

WideString ReadHostString(Platform& platform, SettingsStore& store, const char* key,
                          const char* value) {
    const HostKey open = OpenHostKey(store, key, kKeyRead);
    if (!open) {
        return WideString();
    }
    return ReadKeyString(platform, store, open, value);
}

std::int32_t ReadAcceleratorStyle(SettingsStore& store) {
    const HostKey open = OpenHostKey(store, kCommonKey, kKeyRead);
    if (!open) {
        return kNoAcceleratorStyle;
    }
    unsigned char data[4] = {};
    std::uint32_t type = 0;
    std::uint32_t size = sizeof data;
    const long status = store.QueryValue(open.get(), kExtraShortCutValue, &type, data, &size);
    // A short DWORD reads as success with fewer bytes; the rest would be stale.
    if (status != kRegSuccess || type != kRegDword || size != sizeof data) {
        return kNoAcceleratorStyle;
    }
    std::int32_t style = 0;
    std::memcpy(&style, data, sizeof style);
    return style;
}

std::vector<WideString> ReadRegisteredMacros(Platform& platform, SettingsStore& store) {
    std::vector<WideString> macros;
    const HostKey open = OpenHostKey(store, kMacrosKey, kKeyRead);
    if (!open) {
        return macros;
    }
    for (int n = 0;; ++n) {
        WideString path =
            ReadKeyString(platform, store, open, AnsiString::Format("Macro%d", n).c_str());
        if (path.empty()) {
            break;
        }
        macros.push_back(store.ResolveSettingPath(path));
    }
    return macros;
}

}  // namespace quorvin
