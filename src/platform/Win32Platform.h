#pragma once

#include "platform/Platform.h"

namespace quorvin {

// The platform as Windows provides it; holds no state of its own.
class Win32Platform final : public Platform {
  public:
    ProcessStamp CurrentProcess() override;
    WideString ProgramPath() override;
    bool IsRunning(const ProcessStamp& process) override;
    MutexHandle CreateNamedMutex(const char* name) override;
    bool WaitForMutex(MutexHandle mutex, std::uint32_t milliseconds) override;
    void ReleaseMutex(MutexHandle mutex) override;
    void CloseMutex(MutexHandle mutex) override;

    FindHandle FindFirst(const char16_t* pattern, FindEntry* entry) override;
    bool FindNext(FindHandle find, FindEntry* entry) override;
    void FindClose(FindHandle find) override;
    bool FolderIdentityOf(const char16_t* path, FolderIdentity* identity) override;
    bool ShortPathOf(const char16_t* path, WideString* shortPath) override;
    bool LongPathOf(const char16_t* path, WideString* longPath) override;
    bool FileAttributesOf(const char16_t* path, std::uint32_t* attributes) override;
    int CompareNames(const char16_t* a, std::size_t aLength, const char16_t* b,
                     std::size_t bLength) override;

    MenuHandle CreatePopupMenu() override;
    bool InsertItem(MenuHandle menu, std::uint32_t position, const MenuItem& item) override;
    std::uint32_t TrackPopupMenu(MenuHandle menu, std::uint32_t flags, long x, long y,
                                 WindowHandle owner, bool* withModifier) override;
    bool DestroyMenu(MenuHandle menu) override;
    CursorPosition GetCursorPos() override;

    WindowHandle RootOwnerOf(WindowHandle window) override;
    LResult SendWindowMessage(WindowHandle window, std::uint32_t message, WParam wParam,
                              LParam lParam) override;
    bool PostWindowMessage(WindowHandle window, std::uint32_t message, WParam wParam,
                           LParam lParam) override;
    void ShellExecuteVerb(WindowHandle window, const char16_t* verb, const char16_t* file,
                          const char16_t* parameters, const char16_t* directory, int show) override;
    int ShowMessageBox(WindowHandle owner, const char16_t* text, const char16_t* caption,
                       std::uint32_t type) override;

    std::uint16_t UserInterfaceLanguage() override;
    WideString LoadWideString(ModuleHandle module, std::uint32_t id) override;
    int LoadStringText(ModuleHandle module, std::uint32_t id, char* buffer, int size) override;
    int ToCodePage(const char16_t* text, int length, char* buffer, int size,
                   bool* usedDefault) override;
    int FromCodePage(const char* text, int length, char16_t* buffer, int size) override;
    void LowerInPlace(char16_t* text) override;
    void CopyText(char* destination, const char* source, int size) override;
};

}  // namespace quorvin
