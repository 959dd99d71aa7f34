#include "platform/Win32Registry.h"

#include <windows.h>

namespace quorvin {

namespace {

HKEY AsKey(KeyHandle key) { return static_cast<HKEY>(key); }

// Value names are narrow; the wide calls keep string data as stored. The
// plug-in's value names are short, so they convert on the stack: a value put
// back after a macro ran must not need the heap.
class WideValueName {
  public:
    explicit WideValueName(const char* name)
        : converted_(MultiByteToWideChar(CP_ACP, 0, name, -1, text_, kLength) > 0) {}
    bool converted() const { return converted_; }
    const wchar_t* c_str() const { return text_; }

  private:
    static constexpr int kLength = 256;
    wchar_t text_[kLength];
    bool converted_;
};

}  // namespace

KeyHandle Win32Registry::OpenUserKey(const char* subKey, std::uint32_t access, long* status) {
    HKEY key = nullptr;
    const LONG opened = RegOpenKeyExA(HKEY_CURRENT_USER, subKey, 0, access, &key);
    if (status != nullptr) *status = opened;
    return opened == ERROR_SUCCESS ? key : nullptr;
}

long Win32Registry::QueryValue(KeyHandle key, const char* name, std::uint32_t* type, void* data,
                               std::uint32_t* size) {
    DWORD valueType = 0;
    DWORD valueSize = *size;
    const LONG status = RegQueryValueExA(AsKey(key), name, nullptr, &valueType,
                                         static_cast<BYTE*>(data), &valueSize);
    *type = valueType;
    *size = valueSize;
    return status;
}

long Win32Registry::SetValue(KeyHandle key, const char* name, std::uint32_t type, const void* data,
                             std::uint32_t size) {
    return RegSetValueExA(AsKey(key), name, 0, type, static_cast<const BYTE*>(data), size);
}

long Win32Registry::QueryStoredValue(KeyHandle key, const char* name, std::uint32_t* type,
                                     void* data, std::uint32_t* size) {
    const WideValueName wideName(name);
    if (!wideName.converted()) {
        return ERROR_INVALID_PARAMETER;
    }
    DWORD valueType = 0;
    DWORD valueSize = *size;
    const LONG status = RegQueryValueExW(AsKey(key), wideName.c_str(), nullptr, &valueType,
                                         static_cast<BYTE*>(data), &valueSize);
    *type = valueType;
    *size = valueSize;
    return status;
}

long Win32Registry::SetStoredValue(KeyHandle key, const char* name, std::uint32_t type,
                                   const void* data, std::uint32_t size) {
    // A string that does not end in a zero character comes with the padding
    // that the call reads past it (see SettingsStore.h), so it is stored as given.
    const WideValueName wideName(name);
    if (!wideName.converted()) {
        return ERROR_INVALID_PARAMETER;
    }
    return RegSetValueExW(AsKey(key), wideName.c_str(), 0, type, static_cast<const BYTE*>(data),
                          size);
}

long Win32Registry::DeleteValue(KeyHandle key, const char* name) {
    return RegDeleteValueA(AsKey(key), name);
}

void Win32Registry::CloseKey(KeyHandle key) { RegCloseKey(AsKey(key)); }

KeyHandle Win32Registry::CreateUserKey(const char* subKey, std::uint32_t access) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, subKey, 0, nullptr, 0, access, nullptr, &key, nullptr) !=
        ERROR_SUCCESS) {
        return nullptr;
    }
    return key;
}

long Win32Registry::DeleteUserTree(const char* subKey) {
    return RegDeleteTreeA(HKEY_CURRENT_USER, subKey);
}

}  // namespace quorvin
