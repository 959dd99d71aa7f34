// Times the plug-in's command from the call to OnCommand until its menu opens
// (WM_INITMENUPOPUP), and, in the same process on the same tree, the floor:
// the least any implementation of this menu must do, a bare FindFirstFileA
// walk with one GetFileAttributesA and one InsertMenuItemA per entry, shown
// the same way.
//
// Usage: MenuBench.exe <plug-in DLL> <results file> <tree>...   (each tree a
// macro folder made by run-bench.sh, named after its number of macros)

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "Sandbox.h"
#include "StandInEditor.h"

using namespace standin;

namespace {

constexpr int kRuns = 7;

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

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The floor's walk; counts the entries it met.
HMENU WalkIntoMenu(const std::string& folder, int& entries) {
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
            item.hSubMenu = WalkIntoMenu(path, entries);
        }
        InsertMenuItemA(menu, position++, TRUE, &item);
    } while (FindNextFileA(find, &found));
    FindClose(find);
    return menu;
}

struct Floor {
    StandInEditor* editor;
    std::string folder;
    int entries = 0;
};

// Times the floor until its menu opens, like the plug-in's command.
double TimeFloor(Floor& floor) {
    floor.editor->PlayKeys({VK_ESCAPE});
    floor.editor->PrepareForMenu();
    const LONGLONG start = Now();
    floor.entries = 0;
    HMENU menu = WalkIntoMenu(floor.folder, floor.entries);
    POINT cursor;
    GetCursorPos(&cursor);
    TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, cursor.x, cursor.y, 0,
                   floor.editor->window(), nullptr);
    const double elapsed = Milliseconds(floor.editor->menuOpenedAt() - start);
    DestroyMenu(menu);
    return elapsed;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::printf("usage: %s <plug-in DLL> <results file> <tree>...\n", argv[0]);
        return 2;
    }
    PluginModule plugin(argv[1]);
    StandInEditor editor;
    editor.TakeSnapshots(false);
    std::string table =
        "  macros  entries   plug-in ms   floor ms   ratio   plug-in us/entry   floor us/entry\n";
    for (int tree = 3; tree < argc; ++tree) {
        const std::string folder = argv[tree];
        ResetEditorSettings();
        SetString(kCommonKey, "MacroFolder", folder);
        Floor floor{&editor, folder};
        std::vector<double> pluginTimes, floorTimes;
        for (int run = 0; run <= kRuns; ++run) {
            editor.PlayKeys({VK_ESCAPE});
            const LONGLONG start = Now();
            editor.RunCommand(plugin);
            const double pluginTime = Milliseconds(editor.menuOpenedAt() - start);
            editor.PumpMessages();
            // The first run of each only warms the caches.
            const double floorTime = TimeFloor(floor);
            editor.PumpMessages();
            if (run > 0) {
                pluginTimes.push_back(pluginTime);
                floorTimes.push_back(floorTime);
            }
        }
        const double pluginMedian = Median(pluginTimes);
        const double floorMedian = Median(floorTimes);
        const std::string name = folder.substr(folder.find_last_of('\\') + 1);
        char line[200];
        std::snprintf(line, sizeof line, "%8s %8d %12.1f %10.1f %7.2f %18.1f %16.1f\n",
                      name.c_str(), floor.entries, pluginMedian, floorMedian,
                      pluginMedian / floorMedian, 1000.0 * pluginMedian / floor.entries,
                      1000.0 * floorMedian / floor.entries);
        table += line;
        std::printf("%s", line);
        std::fflush(stdout);
    }
    ResetEditorSettings();
    if (FILE* out = std::fopen(argv[2], "w")) {
        std::fprintf(out, "Median of %d runs, after one warm-up run\n%s", kRuns, table.c_str());
        std::fclose(out);
    }
    return 0;
}
