#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/Platform.h"

// Where the editor keeps its settings: the registry below HKEY_CURRENT_USER,
// or the store an editor that keeps its settings elsewhere serves (see
// EditorSettings). Chosen once per call; the readers, the menu and the
// journal never ask which they have.
namespace quorvin {

// Registry status codes and value types, as the system defines them.
constexpr long kRegSuccess = 0;
constexpr long kRegFileNotFound = 2;
constexpr long kRegInvalidData = 13;
constexpr long kRegMoreData = 234;
constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegExpandSz = 2;
constexpr std::uint32_t kRegBinary = 3;
constexpr std::uint32_t kRegDword = 4;
constexpr std::uint32_t kRegMultiSz = 7;

// The types the system keeps as UTF-16 and converts for the narrow calls.
inline bool IsStringType(std::uint32_t type) {
    return type == kRegSz || type == kRegExpandSz || type == kRegMultiSz;
}

// What SetStoredValue may read past a string's bytes.
constexpr std::size_t kStoredValuePadding = 2;

constexpr std::uint32_t kKeyRead = 0x20019;
constexpr std::uint32_t kKeyWrite = 0x20006;
constexpr std::uint32_t kKeyReadWriteCreate = 0x2001F;

class SettingsStore {
  public:
    virtual ~SettingsStore() = default;

    // Keys below HKEY_CURRENT_USER. OpenKey never creates a key; status,
    // when given, gets the system's code, kRegFileNotFound for a missing key.
    virtual KeyHandle OpenUserKey(const char* subKey, std::uint32_t access,
                                  long* status = nullptr) = 0;
    virtual long QueryValue(KeyHandle key, const char* name, std::uint32_t* type, void* data,
                            std::uint32_t* size) = 0;
    virtual long SetValue(KeyHandle key, const char* name, std::uint32_t type, const void* data,
                          std::uint32_t size) = 0;
    // The same for a value's bytes exactly as stored: strings are not
    // converted to or from the code page, nor given a terminator.
    virtual long QueryStoredValue(KeyHandle key, const char* name, std::uint32_t* type, void* data,
                                  std::uint32_t* size) = 0;
    // The system's write reads one character past a string that does not end
    // in a zero character, and stores a terminator more when that one is
    // zero: such a string must be followed by kStoredValuePadding bytes that
    // are not zero.
    virtual long SetStoredValue(KeyHandle key, const char* name, std::uint32_t type,
                                const void* data, std::uint32_t size) = 0;
    virtual long DeleteValue(KeyHandle key, const char* name) = 0;
    virtual void CloseKey(KeyHandle key) = 0;
    // Opens the key, making it (and its parents) when missing.
    virtual KeyHandle CreateUserKey(const char* subKey, std::uint32_t access) = 0;
    // Deletes a key with all its values and sub-keys, as RegDeleteTree does.
    virtual long DeleteUserTree(const char* subKey) = 0;
    // A path setting as the store's owner means it: the registry's are full.
    virtual WideString ResolveSettingPath(const WideString& path) { return path; }
    // Whether Macro0 takes a macro's true UTF-16 path: the registry's Macro0
    // the editor reads in the code page.
    virtual bool LendsTruePaths() { return false; }
};

}  // namespace quorvin
