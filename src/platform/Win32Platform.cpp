#include "platform/Win32Platform.h"

#include <windows.h>
// shellapi.h needs windows.h first.
#include <shellapi.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <utility>

namespace quorvin {

namespace {

HWND AsWindow(WindowHandle window) { return static_cast<HWND>(window); }
HMENU AsMenu(MenuHandle menu) { return static_cast<HMENU>(menu); }

static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 is the system's wide text");
const wchar_t* AsWide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }
wchar_t* AsWide(char16_t* text) { return reinterpret_cast<wchar_t*>(text); }

void CopyName(const WIN32_FIND_DATAW& data, FindEntry* entry) {
    static_assert(sizeof entry->name == sizeof data.cFileName, "name buffers differ");
    std::memcpy(entry->name, data.cFileName, sizeof entry->name);
    entry->name[kMaxPath - 1] = u'\0';
    entry->attributes = data.dwFileAttributes;
}

static_assert(offsetof(MENUITEMINFOW, hbmpItem) == kMenuItemInfoSize,
              "MENUITEMINFOW does not end where the record does");

std::uint64_t CreationTime(HANDLE process) {
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) {
        return 0;
    }
    return (std::uint64_t{created.dwHighDateTime} << 32) | created.dwLowDateTime;
}

}  // namespace

WideString Win32Platform::ProgramPath() {
    // Paths longer than MAX_PATH come cut; the buffer grows until one fits.
    WideString path(kMaxPath, u'\0');
    for (int attempt = 0; attempt < 8; ++attempt) {
        const DWORD length =
            GetModuleFileNameW(nullptr, AsWide(&path[0]), static_cast<DWORD>(path.size()));
        if (length == 0) return WideString();
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.assign(path.size() * 2, u'\0');
    }
    return WideString();
}

ProcessStamp Win32Platform::CurrentProcess() {
    ProcessStamp stamp;
    stamp.id = GetCurrentProcessId();
    stamp.created = CreationTime(GetCurrentProcess());
    return stamp;
}

bool Win32Platform::IsRunning(const ProcessStamp& process) {
    // The lender is this user's editor, which this right opens, elevated or
    // not. No process, or one that refuses (the id reused by a service or by
    // another user's program), is no lender. Only this right, so the exit
    // code rather than a wait tells whether it still runs.
    const HANDLE handle = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process.id);
    if (handle == nullptr) {
        return false;
    }
    DWORD exitCode = 0;
    const bool running = CreationTime(handle) == process.created &&
                         GetExitCodeProcess(handle, &exitCode) && exitCode == STILL_ACTIVE;
    CloseHandle(handle);
    return running;
}

MutexHandle Win32Platform::CreateNamedMutex(const char* name) {
    return CreateMutexA(nullptr, FALSE, name);
}

bool Win32Platform::WaitForMutex(MutexHandle mutex, std::uint32_t milliseconds) {
    const DWORD result = WaitForSingleObject(static_cast<HANDLE>(mutex), milliseconds);
    return result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
}

void Win32Platform::ReleaseMutex(MutexHandle mutex) { ::ReleaseMutex(static_cast<HANDLE>(mutex)); }

void Win32Platform::CloseMutex(MutexHandle mutex) { CloseHandle(static_cast<HANDLE>(mutex)); }

FindHandle Win32Platform::FindFirst(const char16_t* pattern, FindEntry* entry) {
    WIN32_FIND_DATAW data;
    const HANDLE find = FindFirstFileW(AsWide(pattern), &data);
    if (find == INVALID_HANDLE_VALUE) {
        return nullptr;
    }
    CopyName(data, entry);
    return find;
}

bool Win32Platform::FindNext(FindHandle find, FindEntry* entry) {
    WIN32_FIND_DATAW data;
    if (!FindNextFileW(static_cast<HANDLE>(find), &data)) {
        return false;
    }
    CopyName(data, entry);
    return true;
}

void Win32Platform::FindClose(FindHandle find) { ::FindClose(static_cast<HANDLE>(find)); }

bool Win32Platform::FolderIdentityOf(const char16_t* path, FolderIdentity* identity) {
    // Opening a folder needs backup semantics; no access right is asked for.
    const HANDLE folder =
        CreateFileW(AsWide(path), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (folder == INVALID_HANDLE_VALUE) {
        return false;
    }
    BY_HANDLE_FILE_INFORMATION info;
    const bool known = GetFileInformationByHandle(folder, &info) != FALSE;
    CloseHandle(folder);
    if (known) {
        identity->volume = info.dwVolumeSerialNumber;
        identity->index = (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
    }
    return known;
}

namespace {

using PathConversion = DWORD(WINAPI*)(LPCWSTR, LPWSTR, DWORD);

bool ConvertPath(PathConversion convert, const char16_t* path, WideString* converted) {
    // A short name can be longer than its name (a three-letter Korean name
    // becomes six or more letters); a buffer too small gets the size it needs.
    WideString buffer(std::char_traits<char16_t>::length(path) + 1, u'\0');
    for (int attempt = 0; attempt < 3; ++attempt) {
        const DWORD length =
            convert(AsWide(path), AsWide(&buffer[0]), static_cast<DWORD>(buffer.size()));
        if (length == 0) {
            return false;
        }
        if (length < buffer.size()) {
            buffer.resize(length);
            *converted = std::move(buffer);
            return true;
        }
        buffer.assign(length, u'\0');  // the size asked for counts the terminator
    }
    return false;  // the path keeps changing under the call
}

}  // namespace

bool Win32Platform::ShortPathOf(const char16_t* path, WideString* shortPath) {
    return ConvertPath(GetShortPathNameW, path, shortPath);
}

bool Win32Platform::LongPathOf(const char16_t* path, WideString* longPath) {
    return ConvertPath(GetLongPathNameW, path, longPath);
}

bool Win32Platform::FileAttributesOf(const char16_t* path, std::uint32_t* attributes) {
    const DWORD found = GetFileAttributesW(AsWide(path));
    if (found == INVALID_FILE_ATTRIBUTES) return false;
    *attributes = found;
    return true;
}

int Win32Platform::CompareNames(const char16_t* a, std::size_t aLength, const char16_t* b,
                                std::size_t bLength) {
    // Names are shorter than MAX_PATH, far inside an int.
    return CompareStringOrdinal(AsWide(a), static_cast<int>(aLength), AsWide(b),
                                static_cast<int>(bLength), TRUE) -
           CSTR_EQUAL;
}

MenuHandle Win32Platform::CreatePopupMenu() { return ::CreatePopupMenu(); }

bool Win32Platform::InsertItem(MenuHandle menu, std::uint32_t position, const MenuItem& item) {
    MENUITEMINFOW info;
    std::memset(&info, 0, sizeof info);
    info.cbSize = item.size;
    info.fMask = item.mask;
    info.fType = item.type;
    info.fState = item.state;
    info.wID = item.id;
    info.hSubMenu = AsMenu(item.submenu);
    info.dwTypeData = const_cast<wchar_t*>(AsWide(item.text));
    info.cch = item.textLength;
    return InsertMenuItemW(AsMenu(menu), position, TRUE, &info) != FALSE;
}

namespace {

// Whether Shift or Ctrl was held at the last key or click that can choose an
// item, seen inside the menu's own loop: once the menu has returned, the
// keyboard's state may no longer tell (Wine's did not for the top menu).
struct MenuModifiers {
    HHOOK hook = nullptr;
    bool held = false;
};
thread_local MenuModifiers* trackedMenu = nullptr;

bool ModifierKeyDown() {
    return (GetKeyState(VK_SHIFT) & 0x8000) != 0 || (GetKeyState(VK_CONTROL) & 0x8000) != 0;
}

LRESULT CALLBACK WatchMenuInput(int code, WPARAM wParam, LPARAM lParam) {
    MenuModifiers* tracked = trackedMenu;
    if (tracked == nullptr) return CallNextHookEx(nullptr, code, wParam, lParam);
    if (code == MSGF_MENU && lParam != 0) {
        const MSG& message = *reinterpret_cast<const MSG*>(lParam);
        switch (message.message) {
            case WM_KEYDOWN:
                // A modifier's own key changes nothing; any other key that
                // may choose (a mnemonic) forgets an earlier Shift+Enter.
                if (message.wParam == VK_RETURN) {
                    tracked->held = ModifierKeyDown();
                } else if (message.wParam != VK_SHIFT && message.wParam != VK_CONTROL &&
                           message.wParam != VK_MENU) {
                    tracked->held = false;
                }
                break;
            case WM_LBUTTONUP:
            case WM_RBUTTONUP:
                tracked->held = (message.wParam & (MK_SHIFT | MK_CONTROL)) != 0;
                break;
            default:
                break;
        }
    }
    return CallNextHookEx(tracked->hook, code, wParam, lParam);
}

}  // namespace

std::uint32_t Win32Platform::TrackPopupMenu(MenuHandle menu, std::uint32_t flags, long x, long y,
                                            WindowHandle owner, bool* withModifier) {
    MenuModifiers tracked;
    MenuModifiers* const outer = trackedMenu;
    tracked.hook = SetWindowsHookExW(WH_MSGFILTER, WatchMenuInput, nullptr, GetCurrentThreadId());
    trackedMenu = &tracked;
    const auto chosen = static_cast<std::uint32_t>(
        ::TrackPopupMenu(AsMenu(menu), flags, x, y, 0, AsWindow(owner), nullptr));
    trackedMenu = outer;
    if (tracked.hook != nullptr) UnhookWindowsHookEx(tracked.hook);
    *withModifier = chosen != 0 && tracked.held;
    return chosen;
}

bool Win32Platform::DestroyMenu(MenuHandle menu) { return ::DestroyMenu(AsMenu(menu)) != FALSE; }

CursorPosition Win32Platform::GetCursorPos() {
    POINT point = {0, 0};
    ::GetCursorPos(&point);
    CursorPosition cursor;
    cursor.x = point.x;
    cursor.y = point.y;
    return cursor;
}

WindowHandle Win32Platform::RootOwnerOf(WindowHandle window) {
    return window == nullptr ? nullptr : GetAncestor(AsWindow(window), GA_ROOTOWNER);
}

LResult Win32Platform::SendWindowMessage(WindowHandle window, std::uint32_t message, WParam wParam,
                                         LParam lParam) {
    return SendMessageA(AsWindow(window), message, wParam, lParam);
}

bool Win32Platform::PostWindowMessage(WindowHandle window, std::uint32_t message, WParam wParam,
                                      LParam lParam) {
    return PostMessageA(AsWindow(window), message, wParam, lParam) != FALSE;
}

void Win32Platform::ShellExecuteVerb(WindowHandle window, const char16_t* verb,
                                     const char16_t* file, const char16_t* parameters,
                                     const char16_t* directory, int show) {
    ShellExecuteW(AsWindow(window), AsWide(verb), AsWide(file), AsWide(parameters),
                  AsWide(directory), show);
}

int Win32Platform::ShowMessageBox(WindowHandle owner, const char16_t* text, const char16_t* caption,
                                  std::uint32_t type) {
    return MessageBoxW(AsWindow(owner), AsWide(text), AsWide(caption), type);
}

std::uint16_t Win32Platform::UserInterfaceLanguage() { return GetUserDefaultUILanguage(); }

WideString Win32Platform::LoadWideString(ModuleHandle module, std::uint32_t id) {
    // With no buffer, LoadStringW hands out the string table's own text,
    // which carries no terminator.
    const wchar_t* text = nullptr;
    const int length =
        LoadStringW(static_cast<HINSTANCE>(module), id, reinterpret_cast<wchar_t*>(&text), 0);
    if (length <= 0 || text == nullptr) {
        return WideString();
    }
    return WideString(reinterpret_cast<const char16_t*>(text), static_cast<std::size_t>(length));
}

int Win32Platform::LoadStringText(ModuleHandle module, std::uint32_t id, char* buffer, int size) {
    return LoadStringA(static_cast<HINSTANCE>(module), id, buffer, size);
}

int Win32Platform::ToCodePage(const char16_t* text, int length, char* buffer, int size,
                              bool* usedDefault) {
    // UTF-8 as the system code page takes neither flags nor a default
    // character; it holds every character, and the caller's round trip
    // catches a lone surrogate.
    if (GetACP() == CP_UTF8) {
        *usedDefault = false;
        return WideCharToMultiByte(CP_UTF8, 0, AsWide(text), length, buffer, size, nullptr,
                                   nullptr);
    }
    BOOL defaulted = FALSE;
    const int written = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, AsWide(text), length,
                                            buffer, size, nullptr, &defaulted);
    *usedDefault = defaulted != FALSE;
    return written;
}

int Win32Platform::FromCodePage(const char* text, int length, char16_t* buffer, int size) {
    return MultiByteToWideChar(CP_ACP, 0, text, length, AsWide(buffer), size);
}

void Win32Platform::LowerInPlace(char16_t* text) { CharLowerW(AsWide(text)); }

void Win32Platform::CopyText(char* destination, const char* source, int size) {
    lstrcpynA(destination, source, size);
}

}  // namespace quorvin
