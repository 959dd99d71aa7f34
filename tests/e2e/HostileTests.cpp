// Hostile trees and settings against the real DLL under Wine: whatever the
// disk or the editor's settings hold, the command returns promptly, the
// editor survives, the menu follows the rules and Macro0 is put back exactly.
//
// Usage: quorvin_hostile.exe <plug-in DLL> <test name>
// Trees that need symbolic links or many files are made on the Linux side by
// the runner (tests/e2e/trees/<test name>.sh).

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "EndToEnd.h"

using namespace standin;

namespace {

constexpr DWORD kPromptlyMilliseconds = 15000;

std::string Utf16(const std::string& ascii, bool terminated = true) {
    std::string bytes;
    for (char c : ascii) {
        bytes.push_back(c);
        bytes.push_back('\0');
    }
    if (terminated) bytes.append(2, '\0');
    return bytes;
}

// Shows the menu of the tree the runner made in the test's folder, and checks
// that the command came back promptly.
void ShowRunnersTree(Context& context, const PluginModule& plugin, StandInEditor& editor) {
    SetMacroFolder(context.folder);
    Run(context, editor, plugin, {VK_ESCAPE});
    std::printf("  the command took %lu ms\n", editor.lastCommandMilliseconds());
    context.check.True(editor.lastCommandMilliseconds() < kPromptlyMilliseconds,
                       "returned promptly");
}

// --- Handles ---

// Wine's GetProcessHandleCount answers 0; a new handle takes the lowest free
// slot. The next free slots, many of them: a handle left open in any slot
// that was free changes them, even when the lowest is free again.
std::vector<DWORD> NextHandleSlots() {
    std::vector<HANDLE> probes;
    std::vector<DWORD> slots;
    for (int i = 0; i < 64; ++i) {
        probes.push_back(CreateEventA(nullptr, FALSE, FALSE, nullptr));
        slots.push_back(static_cast<DWORD>(reinterpret_cast<UINT_PTR>(probes.back())));
    }
    for (HANDLE probe : probes) CloseHandle(probe);
    return slots;
}

// True when no slot free before is taken after; says which one is.
bool NoHandleLeftOpen(const std::vector<DWORD>& before, const std::vector<DWORD>& after) {
    for (std::size_t i = 0; i < before.size(); ++i) {
        if (i >= after.size() || after[i] > before[i]) {
            std::printf("  free handle slot %zu: 0x%lx before, 0x%lx after\n", i, before[i],
                        i < after.size() ? after[i] : 0ul);
            return false;
        }
    }
    return true;
}

DWORD HandleCount() {
    DWORD count = 0;
    GetProcessHandleCount(GetCurrentProcess(), &count);
    return count;
}

// --- Trees ---

void TenThousandMacrosInOneFolder(Context& context) {
    ResetEditorSettings();
    SetDword(kCommonKey, "ExtraShortCut", 2);
    PluginModule plugin(context.dllPath);
    StandInEditor editor;
    ShowRunnersTree(context, plugin, editor);  // m0000.js to m9999.js
    const Lines menu = DescribeMenu(editor.snapshot().items);
    if (!context.check.Equal(10002, static_cast<long long>(menu.size()), "items")) return;
    struct Expected {
        int index;
        const char* line;
    };
    const Expected expected[] = {
        {0, "&1 m0000.js #1"},        {9, "&0 m0009.js #10"},       {10, "&A m0010.js #11"},
        {35, "&Z m0035.js #36"},      {36, "&[ m0036.js #37"},      {71, "&~ m0071.js #72"},
        {72, "m0072.js #73"},         {201, "m0201.js #202"},       {9212, "m9212.js #9213"},
        {9213, "m9213.js #0 grayed"}, {9999, "m9999.js #0 grayed"}, {10000, "---"},
    };
    for (const Expected& e : expected) {
        context.check.EqualBytes(e.line, menu[e.index],
                                 ("item " + std::to_string(e.index)).c_str());
    }
    // Style 2 would give the folder item the prefix of position 10000: none.
    context.check.EqualBytes(LoadText(plugin, 500) + " #9215", menu.back(), "folder item");
}

void DeepNestingPastMaxPath(Context& context) {
    ResetEditorSettings();
    // levelNN-with-a-longer-name, 30 deep, each holding m.js, made by the runner.
    PluginModule plugin(context.dllPath);
    StandInEditor editor;
    ShowRunnersTree(context, plugin, editor);
    // Follow the chain of sub-menus as far as the walk could read.
    const std::vector<MenuItemSnapshot>* items = &editor.snapshot().items;
    std::string path = context.folder;
    int listed = 0;
    while (!items->empty() && (*items)[0].submenu != nullptr) {
        const MenuItemSnapshot& sub = (*items)[0];
        path += "\\" + sub.label.substr(3);  // past the prefix "&1 "
        ++listed;
        items = &sub.children;
    }
    std::printf("  %d levels listed; the deepest read path has %u bytes\n", listed,
                static_cast<unsigned>(path.size()));
    context.check.True(listed >= 5, "the walk went deep");
    context.check.True(listed < 30, "the walk stopped where paths grew too long");
    context.check.True(path.size() < MAX_PATH + 40, "no listed path far past MAX_PATH");
}

void LinkLoopsEverywhere(Context& context) {
    ResetEditorSettings();
    // a.js, self -> ., Sub\up -> .., and L1\L2\...\L6 with r1 and r2 -> the
    // root in every level: an exponential walk if links were followed.
    PluginModule plugin(context.dllPath);
    StandInEditor editor;
    ShowRunnersTree(context, plugin, editor);
    // Depth first: the chain L1 to L6, then each level's links, deepest first.
    Lines ordered = {"&1 a.js #1", "&2 L1 >"};
    std::string indent = "  ";
    for (int level = 1; level <= 6; ++level) {
        if (level < 6) ordered.push_back(indent + "&1 L" + std::to_string(level + 1) + " >");
        indent += "  ";
    }
    for (int level = 6; level >= 1; --level) {
        const std::string at(static_cast<std::size_t>(level) * 2, ' ');
        const int first = level < 6 ? 2 : 1;
        ordered.push_back(at + "&" + std::to_string(first) + " r1 >");
        ordered.push_back(at + "&" + std::to_string(first + 1) + " r2 >");
    }
    ordered.insert(ordered.end(),
                   {"&3 self >", "&4 Sub >", "  &1 up >", "---", FolderItem(plugin)});
    context.check.EqualLines(ordered, DescribeMenu(editor.snapshot().items), "menu");
}

void OddNames(Context& context) {
    ResetEditorSettings();
    context.check.Equal(932, GetACP(), "system code page");
    // Made by the runner; see trees/OddNames.sh.
    PluginModule plugin(context.dllPath);
    StandInEditor editor;
    ShowRunnersTree(context, plugin, editor);
    const std::string table = "\x95\x5C";  // 表: trail byte 0x5C
    const std::string soft = "\x83\x5C";   // ソ: trail byte 0x5C
    // Wine lists names sorted without regard to case; skipped names leave gaps.
    context.check.EqualLines({"&1 &&start.js #1", "&2 .hidden.py #2", "&3 .js #3",
                              "&4 a&&&&b.vbs #4", "&8 UPPER.PYEE #5", "&9 " + soft + " >",
                              "  &1 x.js #6", "&0 " + table + ".js #7", "---", FolderItem(plugin)},
                             DescribeMenu(editor.snapshot().items), "menu");
}

// --- Caps ---

int CountLines(const Lines& lines, const std::string& part) {
    int count = 0;
    for (const std::string& line : lines) count += line.find(part) != std::string::npos;
    return count;
}

void SharedLinksAreWalkedOnce(Context& context) {
    ResetEditorSettings();
    PluginModule plugin(context.dllPath);
    StandInEditor editor;
    SetMacroFolder(context.folder + "\\L1");
    Run(context, editor, plugin, {VK_ESCAPE});
    std::printf("  the command took %lu ms\n", editor.lastCommandMilliseconds());
    context.check.True(editor.lastCommandMilliseconds() < 5000, "returned within 5 s");
    const Lines menu = DescribeMenu(editor.snapshot().items);
    context.check.Equal(20, CountLines(menu, "m.js #"), "each level's macro listed once");
    // The top-level menu, and in each of 19 levels an entered and an empty one.
    context.check.Equal(39, static_cast<long long>(editor.snapshot().handles.size()), "menus");
}

void MenusStopAtTheCap(Context& context) {
    ResetEditorSettings();
    PluginModule plugin(context.dllPath);
    StandInEditor editor;
    ShowRunnersTree(context, plugin, editor);  // 6,060 folders
    const Lines menu = DescribeMenu(editor.snapshot().items);
    context.check.Equal(4096, static_cast<long long>(editor.snapshot().handles.size()),
                        "menus while the menu is open");
    // d01 to d40 take 4,040 menus, d41 and 54 of its folders the rest: the
    // other 46 there and d42 to d60 are grayed, and nothing below them walked.
    context.check.Equal(46 + 19, CountLines(menu, " #0 grayed"), "folders past the cap, grayed");
    context.check.Equal(62, static_cast<long long>(editor.snapshot().items.size()),
                        "60 folders, the separator and the folder item: nothing cut");
}

void EntriesStopAtTheCap(Context& context) {
    ResetEditorSettings();
    PluginModule plugin(context.dllPath);
    StandInEditor editor;
    // What a first command opens for good, the system's own, is open before
    // the count; a walk cut at the cap closes every enumeration it started.
    SetMacroFolder(context.folder + "\\d001");
    Run(context, editor, plugin, {VK_ESCAPE});
    const std::vector<DWORD> before = NextHandleSlots();
    ShowRunnersTree(context, plugin, editor);  // 120 folders of 1,000 files
    context.check.True(NoHandleLeftOpen(before, NextHandleSlots()), "no handle left open");
    const auto& items = editor.snapshot().items;
    // 99 folders of 1,001 entries, then d100 and 900 of its files make 100,000.
    if (!context.check.Equal(103, static_cast<long long>(items.size()), "top-level items")) return;
    context.check.True(items[99].label.find("d100") != std::string::npos,
                       "d100 is the last folder");
    context.check.True(items[100].trueLabel == L"\u2026", "then an ellipsis");
    context.check.Equal(0, items[100].id, "with identifier 0");
    context.check.Equal(MFS_GRAYED, items[100].state & MFS_GRAYED, "grayed");
    context.check.True((items[101].type & MFT_SEPARATOR) != 0, "then the separator");
    context.check.EqualBytes(FolderItem(plugin), DescribeMenu({items[102]})[0], "folder item");
}

// --- Settings ---

struct SettingsCase {
    const char* what;
    void (*setUp)(const std::string& folder);
    Lines menu;        // empty: not checked
    bool chooseFirst;  // choose the first item, an unregistered macro
};

void HostileSettings(Context& context) {
    const std::string folder = context.folder;
    for (int i = 1; i <= 12; ++i) {
        MakeFile(folder + "\\m" + std::string(i < 10 ? "0" : "") + std::to_string(i) + ".js");
    }
    const SettingsCase cases[] = {
        {"binary MacroFolder",
         [](const std::string& f) { SetValue(kCommonKey, "MacroFolder", REG_BINARY, f + '\0'); },
         {},
         true},
        {"MacroFolder without a terminator",
         [](const std::string& f) { SetValue(kCommonKey, "MacroFolder", REG_SZ, f); },
         {},
         true},
        {"MacroFolder of 64 KiB",
         [](const std::string&) { SetString(kCommonKey, "MacroFolder", std::string(65536, 'A')); },
         {"---", "(folder item)"},
         false},
        {"ExtraShortCut as a string",
         [](const std::string& f) {
             SetMacroFolder(f);
             SetString(kCommonKey, "ExtraShortCut", "2");
         },
         {},
         false},
        {"ExtraShortCut of two bytes",
         [](const std::string& f) {
             SetMacroFolder(f);
             SetValue(kCommonKey, "ExtraShortCut", REG_DWORD, std::string("\2\0", 2));
         },
         {},
         false},
        {"Macro0 as a DWORD",
         [](const std::string& f) {
             SetMacroFolder(f);
             SetDword(kMacrosKey, "Macro0", 1);
         },
         {},
         true},
        {"Macro0 of 64 KiB",
         [](const std::string& f) {
             SetMacroFolder(f);
             SetString(kMacrosKey, "Macro0", std::string(65536, 'z'));
         },
         {},
         true},
        {"Macro0 without a terminator",
         [](const std::string& f) {
             SetMacroFolder(f);
             SetStoredValue(kMacrosKey, "Macro0", REG_SZ, Utf16("C:\\keep.js", false));
         },
         {},
         true},
        {"Macro0 empty, Macro1 present",
         [](const std::string& f) {
             SetMacroFolder(f);
             SetString(kMacrosKey, "Macro0", "");
             SetString(kMacrosKey, "Macro1", f + "\\m01.js");
         },
         {},
         true},
        {"Macro0 of type REG_MULTI_SZ",
         [](const std::string& f) {
             SetMacroFolder(f);
             SetStoredValue(kMacrosKey, "Macro0", REG_MULTI_SZ,
                            Utf16("a", true) + Utf16("b", true) + std::string(2, '\0'));
         },
         {},
         true},
    };
    PluginModule plugin(context.dllPath);
    StandInEditor editor;
    for (const SettingsCase& c : cases) {
        std::printf("  %s\n", c.what);
        ResetEditorSettings();
        MakeKey(kMacrosKey);
        c.setUp(folder);
        const RegistryValue before = ReadStoredValue(kMacrosKey, "Macro0");
        const RegistryValue macro1 = ReadStoredValue(kMacrosKey, "Macro1");
        Run(context, editor, plugin, {static_cast<WORD>(c.chooseFirst ? '1' : VK_ESCAPE)});
        const Lines menu = DescribeMenu(editor.snapshot().items);
        if (c.menu.size() == 2) {
            context.check.EqualLines({"---", FolderItem(plugin)}, menu, "menu");
        } else if (context.check.Equal(14, static_cast<long long>(menu.size()), "items")) {
            // Unusable styles count as none: no prefix past the tenth position.
            context.check.EqualBytes("m11.js #11", menu[10], "eleventh item");
        }
        if (c.chooseFirst) {
            const auto& messages = editor.messages();
            if (context.check.Equal(1, static_cast<long long>(messages.size()), "messages")) {
                context.check.Equal(9216, static_cast<long long>(messages[0].wParam), "wParam");
                context.check.EqualValue(StringValue(folder + "\\m01.js"), messages[0].macroSlot,
                                         "Macro0 while the editor runs it");
            }
        }
        context.check.EqualValue(before, ReadStoredValue(kMacrosKey, "Macro0"),
                                 "Macro0 exactly as before");
        context.check.EqualValue(macro1, ReadStoredValue(kMacrosKey, "Macro1"), "Macro1 untouched");
    }
}

void ManyCommandsLeaveNothingBehind(Context& context) {
    ResetEditorSettings();
    const std::string& folder = context.folder;
    MakeFile(folder + "\\a.js");
    MakeFile(folder + "\\b.js");
    MakeFile(folder + "\\Sub\\c.js");
    SetMacroFolder(folder);
    SetString(kMacrosKey, "Macro0", folder + "\\a.js");
    PluginModule plugin(context.dllPath);
    StandInEditor editor;
    const std::vector<WORD> scripts[] = {
        {VK_ESCAPE},                  // dismissed
        {'1'},                        // registered: posted
        {'2'},                        // unregistered: lent Macro0
        {'3', VK_ESCAPE, VK_ESCAPE},  // into the sub-menu and out
        {'3', '1'},                   // unregistered in the sub-menu
    };
    DWORD baseline = 0;
    std::vector<DWORD> baselineSlots;
    int failures = context.check.failures();
    for (int command = 0; command < 200; ++command) {
        if (command == 20) {
            baseline = HandleCount();
            baselineSlots = NextHandleSlots();
        }
        Run(context, editor, plugin, scripts[command % 5]);
        if (context.check.failures() != failures) {
            std::printf("  command %d failed\n", command);
            failures = context.check.failures();
        }
    }
    const DWORD after = HandleCount();
    std::printf("  handle count after 20 commands: %lu, after 200: %lu\n", baseline, after);
    context.check.True(after <= baseline, "the handle count has not grown");
    context.check.True(NoHandleLeftOpen(baselineSlots, NextHandleSlots()), "no handle left open");
    context.check.EqualValue(StringValue(folder + "\\a.js"), ReadValue(kMacrosKey, "Macro0"),
                             "Macro0 as it was");
}

const TestEntry kTests[] = {
    E2E_TEST(TenThousandMacrosInOneFolder, default),
    E2E_TEST(DeepNestingPastMaxPath, default),
    E2E_TEST(LinkLoopsEverywhere, default),
    E2E_TEST(OddNames, ja),
    E2E_TEST(SharedLinksAreWalkedOnce, default),
    E2E_TEST(MenusStopAtTheCap, default),
    E2E_TEST(EntriesStopAtTheCap, default),
    E2E_TEST(HostileSettings, default),
    E2E_TEST(ManyCommandsLeaveNothingBehind, default),
};

}  // namespace

int main(int argc, char** argv) { return RunTestByName(argc, argv, kTests); }
