#pragma once

#include <cstdint>
#include <vector>

#include "common/AnsiString.h"
#include "common/OwnedHandle.h"
#include "platform/Platform.h"
#include "platform/SettingsStore.h"

// The editor's per-user settings, as the plug-in reads and lends them.
namespace quorvin {

constexpr const char* kCommonKey = "Software\\EmSoft\\EmEditor v3\\Common";
constexpr const char* kMacrosKey = "Software\\EmSoft\\EmEditor v3\\Macros";
constexpr const char* kMacroFolderValue = "MacroFolder";
constexpr const char* kMacroFileValue = "MacroFile";
constexpr const char* kExtraShortCutValue = "ExtraShortCut";
constexpr const char* kFirstMacroValue = "Macro0";

constexpr std::int32_t kNoAcceleratorStyle = -1;

void CloseHostKey(SettingsStore& store, KeyHandle key);
using HostKey = OwnedHandle<SettingsStore, KeyHandle, &CloseHostKey>;

// Opens an existing key below HKEY_CURRENT_USER; the result is empty on
// failure, and status, when given, tells a missing key from one that failed.
HostKey OpenHostKey(SettingsStore& store, const char* key, std::uint32_t access,
                    long* status = nullptr);

enum class ValuePresence { kAbsent, kPresent, kUnreadable };

// A value as a query returned it: its type and its bytes. Two bytes follow
// them, so that the value can be put back as it is, with no copy.
struct StoredValue {
    ValuePresence presence = ValuePresence::kAbsent;
    std::uint32_t type = 0;
    // The value's bytes, then kStoredValuePadding bytes 0xFF that are not part of it.
    std::vector<char> padded;

    const char* data() const { return padded.data(); }
    std::uint32_t size() const {
        return static_cast<std::uint32_t>(
            padded.size() < kStoredValuePadding ? 0 : padded.size() - kStoredValuePadding);
    }
};

// The value's bytes exactly as stored, for putting it back unchanged.
StoredValue SaveKeyValue(SettingsStore& store, const HostKey& key, const char* value);
// The value's true text, whatever the code page: a string as the system
// stores it (UTF-16) up to its first zero character, a value of any other
// type as its bytes up to the first zero, text in the code page. Empty when
// absent or unreadable. An expandable string is not expanded.
WideString ReadKeyString(Platform& platform, SettingsStore& store, const HostKey& key,
                         const char* value);
// The same for a value SaveKeyValue read.
WideString TextOf(Platform& platform, const StoredValue& stored);
// These three: true when the value is as asked, an absent one deleted.
bool WriteKeyString(SettingsStore& store, const HostKey& key, const char* value,
                    const AnsiString& text);
// Puts a value back exactly as SaveKeyValue found it; an absent one is deleted.
bool RestoreKeyValue(SettingsStore& store, const HostKey& key, const char* value,
                     const StoredValue& saved);
bool DeleteKeyValue(SettingsStore& store, const HostKey& key, const char* value);

// A path as Macro0 is given it: in the code page where the code page holds it
// exactly (the editor's narrow calls read it so), else in UTF-16.
struct PathText {
    WideString wide;
    AnsiString narrow;  // empty when the code page cannot hold the path
};
PathText PathTextOf(Platform& platform, const WideString& path);
// Stores it as REG_SZ; allocates nothing.
bool WritePathText(SettingsStore& store, const HostKey& key, const char* value,
                   const PathText& text);

WideString ReadHostString(Platform& platform, SettingsStore& store, const char* key,
                          const char* value);
std::int32_t ReadAcceleratorStyle(SettingsStore& store);
std::vector<WideString> ReadRegisteredMacros(Platform& platform, SettingsStore& store);

}  // namespace quorvin
