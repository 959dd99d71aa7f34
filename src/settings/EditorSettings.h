#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/Platform.h"
#include "platform/SettingsStore.h"

// The settings store of an editor that keeps its settings in INI files (a
// portable editor): the same keys and values, read and written through the
// editor's own settings messages instead of the registry.
namespace quorvin {

// EE_INFO: a question about the editor, named by wParam.
constexpr std::uint32_t kHostMsgInfo = 2106;
constexpr WParam kInfoUsesIni = 319;                  // EI_USE_INI
constexpr std::uint32_t kHostMsgSetSetting = 2133;    // EE_REG_SET_VALUE
constexpr std::uint32_t kSettingVariableSize = 1;     // EE_REG_VARIABLE_SIZE
constexpr std::uint32_t kHostMsgQuerySetting = 2134;  // EE_REG_QUERY_VALUE
constexpr std::uint32_t kEditorCommonKey = 0x7FFFFF00;
constexpr std::uint32_t kEditorMacrosKey = 0x7FFFFF02;
constexpr std::uint32_t kEditorPlugInKey = 0x7FFFFF30;  // named by its config

// The records the two messages point to, as the editor lays them out.
struct SettingQuery {
    std::size_t cbSize;
    std::uint32_t dwKey;
    const char16_t* pszConfig;
    const char16_t* pszValue;
    std::uint32_t dwType;
    unsigned char* lpData;
    std::uint32_t* lpcbData;
    std::uint32_t dwFlags;
};
struct SettingWrite {
    std::size_t cbSize;
    std::uint32_t dwKey;
    const char16_t* pszConfig;
    const char16_t* pszValue;
    std::uint32_t dwType;
    const unsigned char* lpData;
    std::uint32_t cbData;
    std::uint32_t dwFlags;
};
static_assert(sizeof(SettingQuery) == (sizeof(void*) == 8 ? 64 : 32),
              "EE_REG_QUERY_VALUE's record");
static_assert(sizeof(SettingWrite) == (sizeof(void*) == 8 ? 56 : 32), "EE_REG_SET_VALUE's record");

// A value the editor reports larger than this reads as unreadable.
constexpr std::uint32_t kMostSettingBytes = 1024 * 1024;

// Whether the editor keeps its settings in INI files; an editor from before
// 2008 does not know the question and answers 0, as the registry's does.
// The window is the editor's own (see SettingsChoice).
bool EditorKeepsIniSettings(Platform& platform, WindowHandle editor);

// The editor's store answers only its frame or view: a call from the
// Plug-ins dialog passes the dialog, which the frame owns.
class EditorSettings final : public SettingsStore {
  public:
    EditorSettings(Platform& system, WindowHandle editor) : system_(system), window_(editor) {}

    KeyHandle OpenUserKey(const char* subKey, std::uint32_t access, long* status) override;
    long QueryValue(KeyHandle key, const char* name, std::uint32_t* type, void* data,
                    std::uint32_t* size) override;
    long SetValue(KeyHandle key, const char* name, std::uint32_t type, const void* data,
                  std::uint32_t size) override;
    long QueryStoredValue(KeyHandle key, const char* name, std::uint32_t* type, void* data,
                          std::uint32_t* size) override;
    long SetStoredValue(KeyHandle key, const char* name, std::uint32_t type, const void* data,
                        std::uint32_t size) override;
    long DeleteValue(KeyHandle key, const char* name) override;
    void CloseKey(KeyHandle) override {}
    KeyHandle CreateUserKey(const char* subKey, std::uint32_t access) override;
    long DeleteUserTree(const char* subKey) override;
    WideString ResolveSettingPath(const WideString& path) override;
    bool LendsTruePaths() override { return true; }
    WindowHandle window() const { return window_; }

  private:
    long Query(KeyHandle key, const char* name, std::uint32_t type, void* data,
               std::uint32_t* size);
    // The whole value into a buffer of its own, grown as the editor asks.
    long Fetch(KeyHandle key, const char* name, std::uint32_t type,
               std::vector<unsigned char>* bytes);
    long Set(KeyHandle key, const char16_t* name, std::uint32_t type, const void* data,
             std::uint32_t size);

    Platform& system_;
    WindowHandle window_;
};

// The settings store of the editor behind the window, chosen once per call:
// the registry, or the editor's own store, asked through the editor's frame.
class SettingsChoice {
  public:
    SettingsChoice(Platform& system, SettingsStore& registry, WindowHandle window)
        : editor_(system, system.RootOwnerOf(window)),
          registry_(registry),
          usesEditor_(EditorKeepsIniSettings(system, editor_.window())) {}
    SettingsStore& store() {
        return usesEditor_ ? static_cast<SettingsStore&>(editor_) : registry_;
    }

  private:
    EditorSettings editor_;
    SettingsStore& registry_;
    bool usesEditor_;
};

// Puts Macro0 back for every loan whose lending process is gone, in the store
// the editor behind the window keeps its settings in.
void RepairEditorLoans(Platform& system, SettingsStore& registry, WindowHandle window);

}  // namespace quorvin
