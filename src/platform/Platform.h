#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The only door from the plug-in's logic to Windows, beside the settings store
// (SettingsStore.h). Win32Platform forwards each call to the system; the unit
// tests put an in-memory fake in its place.
namespace quorvin {

using WindowHandle = void*;
using ModuleHandle = void*;
using MenuHandle = void*;
using KeyHandle = void*;
using FindHandle = void*;
using MutexHandle = void*;
using WParam = std::uintptr_t;
using LParam = std::intptr_t;
using LResult = std::intptr_t;
// UTF-16, as the system's wide calls take it; names on disk are kept in it.
using WideString = std::u16string;

constexpr std::uint32_t kFileAttributeDirectory = 0x10;
constexpr std::uint32_t kFileAttributeReparsePoint = 0x400;  // junctions and symbolic links
constexpr std::size_t kMaxPath = 260;

// Menu item fields as MENUITEMINFOW spells them.
constexpr std::uint32_t kMiimState = 0x1;
constexpr std::uint32_t kMiimId = 0x2;
constexpr std::uint32_t kMiimSubmenu = 0x4;
constexpr std::uint32_t kMiimType = 0x10;
constexpr std::uint32_t kMftString = 0x0;
constexpr std::uint32_t kMftSeparator = 0x800;
constexpr std::uint32_t kMfsGrayed = 0x3;
constexpr std::uint32_t kMfsChecked = 0x8;
constexpr std::uint32_t kMfsDefault = 0x1000;
constexpr std::uint32_t kTpmReturnCmdRightButton = 0x102;

constexpr int kSwShow = 5;
constexpr std::uint32_t kMbYesNoQuestion = 0x24;
constexpr int kIdYes = 6;

// MENUITEMINFOW's members in order, for its size without the last member,
// hbmpItem: the record every Windows version accepts, 44 bytes on x86 and 72
// on x64.
struct MenuItemInfoLayout {
    std::uint32_t cbSize, fMask, fType, fState, wID;
    void* hSubMenu;
    void* hbmpChecked;
    void* hbmpUnchecked;
    std::uintptr_t dwItemData;
    void* dwTypeData;
    std::uint32_t cch;
    void* hbmpItem;
};
constexpr std::uint32_t kMenuItemInfoSize = offsetof(MenuItemInfoLayout, hbmpItem);

struct MenuItem {
    std::uint32_t size = kMenuItemInfoSize;
    std::uint32_t mask = 0;
    std::uint32_t type = 0;
    std::uint32_t state = 0;
    std::uint32_t id = 0;
    MenuHandle submenu = nullptr;
    const char16_t* text = nullptr;
    std::uint32_t textLength = 0;  // in UTF-16 code units, terminator not counted
};

struct FindEntry {
    char16_t name[kMaxPath] = {};
    std::uint32_t attributes = 0;
};

struct CursorPosition {
    long x = 0;
    long y = 0;
};

// Identity of a folder on its volume; two paths that reach the same folder
// through links share it.
struct FolderIdentity {
    std::uint32_t volume = 0;
    std::uint64_t index = 0;
    bool operator==(const FolderIdentity& other) const {
        return volume == other.volume && index == other.index;
    }
};

// A process, told apart from a later one that reuses its id by its creation time.
struct ProcessStamp {
    std::uint32_t id = 0;
    std::uint64_t created = 0;
    bool operator==(const ProcessStamp& other) const {
        return id == other.id && created == other.created;
    }
};

class Platform {
  public:
    virtual ~Platform() = default;

    // Processes, and a mutex shared by name between them.
    virtual ProcessStamp CurrentProcess() = 0;
    // The full path of the process's program, as GetModuleFileNameW gives it.
    virtual WideString ProgramPath() = 0;
    // True only for a process that can be opened for
    // PROCESS_QUERY_LIMITED_INFORMATION, has the recorded creation time and
    // has not ended: a process this user cannot open is not one of its own.
    virtual bool IsRunning(const ProcessStamp& process) = 0;
    virtual MutexHandle CreateNamedMutex(const char* name) = 0;
    // True once the mutex is owned, also when its last owner died holding it.
    virtual bool WaitForMutex(MutexHandle mutex, std::uint32_t milliseconds) = 0;
    virtual void ReleaseMutex(MutexHandle mutex) = 0;
    virtual void CloseMutex(MutexHandle mutex) = 0;

    // Folders, by their UTF-16 names. FindFirst returns nullptr when the
    // enumeration cannot start.
    virtual FindHandle FindFirst(const char16_t* pattern, FindEntry* entry) = 0;
    virtual bool FindNext(FindHandle find, FindEntry* entry) = 0;
    virtual void FindClose(FindHandle find) = 0;
    virtual bool FolderIdentityOf(const char16_t* path, FolderIdentity* identity) = 0;
    // The path with every component in its short (8.3) form where it has one,
    // as GetShortPathNameW gives it, of any length (a short name can be longer
    // than the name); false when the call fails.
    virtual bool ShortPathOf(const char16_t* path, WideString* shortPath) = 0;
    // The path with every short component in its long form, as
    // GetLongPathNameW gives it; false when the call fails.
    virtual bool LongPathOf(const char16_t* path, WideString* longPath) = 0;
    // The attributes of what the path names, as GetFileAttributesW gives
    // them; false when it names nothing that can be asked about.
    virtual bool FileAttributesOf(const char16_t* path, std::uint32_t* attributes) = 0;
    // Names in the order NTFS keeps a folder's entries: their UTF-16 units
    // upper-cased, as CompareStringOrdinal ignoring case compares them.
    // Negative, zero or positive.
    virtual int CompareNames(const char16_t* a, std::size_t aLength, const char16_t* b,
                             std::size_t bLength) = 0;

    // Menus.
    virtual MenuHandle CreatePopupMenu() = 0;
    virtual bool InsertItem(MenuHandle menu, std::uint32_t position, const MenuItem& item) = 0;
    // The chosen identifier, 0 when dismissed; withModifier tells whether
    // Shift or Ctrl was held as the key or click that chose it was processed.
    virtual std::uint32_t TrackPopupMenu(MenuHandle menu, std::uint32_t flags, long x, long y,
                                         WindowHandle owner, bool* withModifier) = 0;
    virtual bool DestroyMenu(MenuHandle menu) = 0;
    virtual CursorPosition GetCursorPos() = 0;

    // Windows, the shell and the user.
    // The window at the top of the window's chain of parents and owners, as
    // GetAncestor(GA_ROOTOWNER) gives it: the editor's frame for its views
    // and for the dialogs it owns.
    virtual WindowHandle RootOwnerOf(WindowHandle window) = 0;
    virtual LResult SendWindowMessage(WindowHandle window, std::uint32_t message, WParam wParam,
                                      LParam lParam) = 0;
    virtual bool PostWindowMessage(WindowHandle window, std::uint32_t message, WParam wParam,
                                   LParam lParam) = 0;
    virtual void ShellExecuteVerb(WindowHandle window, const char16_t* verb, const char16_t* file,
                                  const char16_t* parameters, const char16_t* directory,
                                  int show) = 0;
    virtual int ShowMessageBox(WindowHandle owner, const char16_t* text, const char16_t* caption,
                               std::uint32_t type) = 0;

    // The user's interface language, as GetUserDefaultUILanguage gives it.
    virtual std::uint16_t UserInterfaceLanguage() = 0;

    // A string resource in UTF-16, as the string table holds it; empty when missing.
    virtual WideString LoadWideString(ModuleHandle module, std::uint32_t id) = 0;
    // Text in the system code page.
    virtual int LoadStringText(ModuleHandle module, std::uint32_t id, char* buffer, int size) = 0;
    // UTF-16 into the code page without best-fit mappings: a character the code
    // page lacks becomes the default character and sets usedDefault. Returns
    // the bytes written (no terminator), 0 when the buffer is too small.
    virtual int ToCodePage(const char16_t* text, int length, char* buffer, int size,
                           bool* usedDefault) = 0;
    // The code page's text into UTF-16; returns the code units written.
    virtual int FromCodePage(const char* text, int length, char16_t* buffer, int size) = 0;
    // Locale-aware lower case, as CharLowerW does it.
    virtual void LowerInPlace(char16_t* text) = 0;
    // Copies at most size - 1 bytes and a terminator, as lstrcpynA does.
    virtual void CopyText(char* destination, const char* source, int size) = 0;
};

}  // namespace quorvin
