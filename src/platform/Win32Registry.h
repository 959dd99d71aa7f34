#pragma once

#include "platform/SettingsStore.h"

namespace quorvin {

// The registry as Windows provides it; holds no state of its own.
class Win32Registry final : public SettingsStore {
  public:
    KeyHandle OpenUserKey(const char* subKey, std::uint32_t access,
                          long* status = nullptr) override;
    long QueryValue(KeyHandle key, const char* name, std::uint32_t* type, void* data,
                    std::uint32_t* size) override;
    long SetValue(KeyHandle key, const char* name, std::uint32_t type, const void* data,
                  std::uint32_t size) override;
    long QueryStoredValue(KeyHandle key, const char* name, std::uint32_t* type, void* data,
                          std::uint32_t* size) override;
    long SetStoredValue(KeyHandle key, const char* name, std::uint32_t type, const void* data,
                        std::uint32_t size) override;
    long DeleteValue(KeyHandle key, const char* name) override;
    void CloseKey(KeyHandle key) override;
    KeyHandle CreateUserKey(const char* subKey, std::uint32_t access) override;
    long DeleteUserTree(const char* subKey) override;
};

}  // namespace quorvin
