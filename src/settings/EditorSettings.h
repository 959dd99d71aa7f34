#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/Platform.h"

// The settings store of an editor that keeps its settings in INI files (a
// portable editor): the same keys and values, read and written through the
// editor's own settings messages instead of the registry. Everything that is
// not the settings store goes to the system unchanged, so the readers, the
// menu and the journal take it for the platform and never ask which it is.
namespace quorvin {

constexpr std::uint32_t kHostMsgInfo = 2106;          // EE_INFO
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
class EditorSettings final : public Platform {
  public:
    EditorSettings(Platform& system, WindowHandle editor) : system_(system), window_(editor) {}

    // The settings store, through the editor.
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

    // The rest is the system's.
    ProcessStamp CurrentProcess() override { return system_.CurrentProcess(); }
    WideString ProgramPath() override { return system_.ProgramPath(); }
    bool IsRunning(const ProcessStamp& process) override { return system_.IsRunning(process); }
    MutexHandle CreateNamedMutex(const char* name) override {
        return system_.CreateNamedMutex(name);
    }
    bool WaitForMutex(MutexHandle mutex, std::uint32_t milliseconds) override {
        return system_.WaitForMutex(mutex, milliseconds);
    }
    void ReleaseMutex(MutexHandle mutex) override { system_.ReleaseMutex(mutex); }
    void CloseMutex(MutexHandle mutex) override { system_.CloseMutex(mutex); }
    FindHandle FindFirst(const char16_t* pattern, FindEntry* entry) override {
        return system_.FindFirst(pattern, entry);
    }
    bool FindNext(FindHandle find, FindEntry* entry) override {
        return system_.FindNext(find, entry);
    }
    void FindClose(FindHandle find) override { system_.FindClose(find); }
    bool FolderIdentityOf(const char16_t* path, FolderIdentity* identity) override {
        return system_.FolderIdentityOf(path, identity);
    }
    bool ShortPathOf(const char16_t* path, WideString* shortPath) override {
        return system_.ShortPathOf(path, shortPath);
    }
    bool LongPathOf(const char16_t* path, WideString* longPath) override {
        return system_.LongPathOf(path, longPath);
    }
    MenuHandle CreatePopupMenu() override { return system_.CreatePopupMenu(); }
    bool InsertItem(MenuHandle menu, std::uint32_t position, const MenuItem& item) override {
        return system_.InsertItem(menu, position, item);
    }
    std::uint32_t TrackPopupMenu(MenuHandle menu, std::uint32_t flags, long x, long y,
                                 WindowHandle owner) override {
        return system_.TrackPopupMenu(menu, flags, x, y, owner);
    }
    bool DestroyMenu(MenuHandle menu) override { return system_.DestroyMenu(menu); }
    CursorPosition GetCursorPos() override { return system_.GetCursorPos(); }
    WindowHandle RootOwnerOf(WindowHandle window) override { return system_.RootOwnerOf(window); }
    LResult SendWindowMessage(WindowHandle window, std::uint32_t message, WParam wParam,
                              LParam lParam) override {
        return system_.SendWindowMessage(window, message, wParam, lParam);
    }
    bool PostWindowMessage(WindowHandle window, std::uint32_t message, WParam wParam,
                           LParam lParam) override {
        return system_.PostWindowMessage(window, message, wParam, lParam);
    }
    void ShellExecuteVerb(WindowHandle window, const char16_t* verb, const char16_t* file,
                          const char16_t* parameters, const char16_t* directory,
                          int show) override {
        system_.ShellExecuteVerb(window, verb, file, parameters, directory, show);
    }
    int ShowMessageBox(WindowHandle owner, const char16_t* text, const char16_t* caption,
                       std::uint32_t type) override {
        return system_.ShowMessageBox(owner, text, caption, type);
    }
    WideString LoadWideString(ModuleHandle module, std::uint32_t id) override {
        return system_.LoadWideString(module, id);
    }
    int LoadStringText(ModuleHandle module, std::uint32_t id, char* buffer, int size) override {
        return system_.LoadStringText(module, id, buffer, size);
    }
    int ToCodePage(const char16_t* text, int length, char* buffer, int size,
                   bool* usedDefault) override {
        return system_.ToCodePage(text, length, buffer, size, usedDefault);
    }
    int FromCodePage(const char* text, int length, char16_t* buffer, int size) override {
        return system_.FromCodePage(text, length, buffer, size);
    }
    void LowerInPlace(char16_t* text) override { system_.LowerInPlace(text); }
    void CopyText(char* destination, const char* source, int size) override {
        system_.CopyText(destination, source, size);
    }

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
    SettingsChoice(Platform& system, WindowHandle window)
        : editor_(system, system.RootOwnerOf(window)),
          system_(system),
          usesEditor_(EditorKeepsIniSettings(system, system.RootOwnerOf(window))) {}
    Platform& store() { return usesEditor_ ? static_cast<Platform&>(editor_) : system_; }

  private:
    EditorSettings editor_;
    Platform& system_;
    bool usesEditor_;
};

// Puts Macro0 back for every loan whose lending process is gone, in the store
// the editor behind the window keeps its settings in.
void RepairEditorLoans(Platform& system, WindowHandle window);

}  // namespace quorvin
