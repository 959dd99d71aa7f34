// Times one walk in this fresh process, from the call until its menu opens
// (WM_INITMENUPOPUP), in one of three ways on one tree:
//   plugin  the plug-in's command;
//   limit   the least a walk in true names must do: a FindFirstFileW walk with
//           one InsertMenuItemW per entry and no other call per entry;
//   floor   the narrow walk of old: FindFirstFileA with one GetFileAttributesA
//           and one InsertMenuItemA per entry.
// Prints "<milliseconds> <entries>". run-bench.sh starts one process a run,
// alternating the three, since later walks in one process vary with what ran
// before them.
//
// Usage: MenuBench.exe <plug-in DLL> plugin|limit|floor <tree>

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>

#include "Sandbox.h"
#include "StandInEditor.h"

using namespace standin;

namespace {

LONGLONG Now() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

double Milliseconds(LONGLONG ticks) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(ticks) / static_cast<double>(frequency.QuadPart);
}

HMENU FloorWalk(const std::string& folder, int& entries) {
    HMENU menu = CreatePopupMenu();
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return menu;
    UINT position = 0;
    do {
        if (std::strcmp(found.cFileName, ".") == 0 || std::strcmp(found.cFileName, "..") == 0) {
            continue;
        }
        ++entries;
        const std::string path = folder + "\\" + found.cFileName;
        const DWORD attributes = GetFileAttributesA(path.c_str());
        MENUITEMINFOA item = {};
        item.cbSize = sizeof item;
        item.fMask = MIIM_ID | MIIM_STRING;
        item.wID = position + 1;
        item.dwTypeData = found.cFileName;
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            item.fMask |= MIIM_SUBMENU;
            item.hSubMenu = FloorWalk(path, entries);
        }
        InsertMenuItemA(menu, position++, TRUE, &item);
    } while (FindNextFileA(find, &found));
    FindClose(find);
    return menu;
}

HMENU LimitWalk(const std::wstring& folder, int& entries) {
    HMENU menu = CreatePopupMenu();
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return menu;
    UINT position = 0;
    do {
        if (std::wcscmp(found.cFileName, L".") == 0 || std::wcscmp(found.cFileName, L"..") == 0) {
            continue;
        }
        ++entries;
        MENUITEMINFOW item = {};
        item.cbSize = sizeof item;
        item.fMask = MIIM_ID | MIIM_STRING;
        item.wID = position + 1;
        item.dwTypeData = found.cFileName;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            item.fMask |= MIIM_SUBMENU;
            item.hSubMenu = LimitWalk(folder + L"\\" + found.cFileName, entries);
        }
        InsertMenuItemW(menu, position++, TRUE, &item);
    } while (FindNextFileW(find, &found));
    FindClose(find);
    return menu;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::printf("usage: %s <plug-in DLL> plugin|limit|floor <tree>\n", argv[0]);
        return 2;
    }
    const std::string mode = argv[2];
    const std::string folder = argv[3];
    PluginModule plugin(argv[1]);
    StandInEditor editor;
    editor.TakeSnapshots(false);
    editor.PlayKeys({VK_ESCAPE});
    ResetEditorSettings();
    SetString(kCommonKey, "MacroFolder", folder);
    int entries = 0;
    const LONGLONG start = Now();
    if (mode == "plugin") {
        editor.RunCommand(plugin);
    } else {
        editor.PrepareForMenu();
        HMENU menu =
            mode == "limit" ? LimitWalk(Widen(folder), entries) : FloorWalk(folder, entries);
        POINT cursor;
        GetCursorPos(&cursor);
        TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, cursor.x, cursor.y, 0,
                       editor.window(), nullptr);
        DestroyMenu(menu);
    }
    const double elapsed = Milliseconds(editor.menuOpenedAt() - start);
    ResetEditorSettings();
    std::printf("%.2f %d\n", elapsed, entries);
    return 0;
}
