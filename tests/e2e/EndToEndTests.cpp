// End-to-end tests of the real plug-in DLL in a real Win32 process. Each test
// makes the editor's settings and a macro folder from scratch, drives the
// popup menu with the keyboard and checks what reached the stand-in editor.
//
// Usage: quorvin_e2e.exe <plug-in DLL> <test name>

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "EndToEnd.h"
#include "SettingsStore.h"

using namespace standin;

namespace {

// --- No folder ---

void CheckNoFolderMessage(Context& context) {
    PluginModule plugin(context.dllPath);
    StandInEditor editor;
    editor.RunCommand(plugin);
    const auto& messages = editor.messages();
    if (context.check.Equal(1, static_cast<long long>(messages.size()), "messages")) {
        context.check.Equal(kNoMacroFolder, messages[0].message, "message");
        context.check.True(!messages[0].posted, "2085 is sent, not posted");
        context.check.Equal(0, static_cast<long long>(messages[0].wParam), "wParam");
        context.check.EqualBytes(LoadText(plugin, 501), messages[0].text, "text 501");
        context.check.True(!messages[0].text.empty(), "the text is not empty");
    }
    context.check.True(!editor.snapshot().taken, "no menu shown");
}

void NoMacroFolderWhenTheKeyIsAbsent(Context& context) {
    ResetEditorSettings();
    CheckNoFolderMessage(context);
    // An English editor is told in UTF-16, which every code page shows.
    SetEnvironmentVariableA(kLanguageVariable, "0x0409");
    PluginModule plugin(context.dllPath);
    StandInEditor editor;
    editor.RunCommand(plugin);
    SetEnvironmentVariableA(kLanguageVariable, nullptr);
    const auto& messages = editor.messages();
    if (context.check.Equal(1, static_cast<long long>(messages.size()), "messages")) {
        context.check.Equal(kSetStatusText, messages[0].message, "2104, not 2085");
        context.check.True(messages[0].wideText == L"No macro folder is set.", "the English text");
    }
}

void NoMacroFolderWhenTheValueIsEmpty(Context& context) {
    ResetEditorSettings();
    SetMacroFolder("");
    CheckNoFolderMessage(context);
}

// --- The menu ---

void MakeSampleTree(const std::string& root) {
    MakeFile(root + "\\a.js");
    MakeFile(root + "\\b.txt");
    MakeFile(root + "\\C.VBS");
    MakeFolder(root + "\\Empty");
    MakeFile(root + "\\Sub\\d.py");
    MakeFile(root + "\\Sub\\notes.md");
    MakeFile(root + "\\Sub\\e.PL");
    MakeFile(root + "\\x&y.rb");
}

void MenuShowsTheTree(Context& context) {
    ResetEditorSettings();
    const std::string& root = context.folder;
    MakeSampleTree(root);
    SetMacroFolder(root);
    SetString(kMacrosKey, "Macro0", root + "\\Sub\\e.PL");
    SetString(kMacrosKey, "Macro1", root + "\\a.js");
    SetString(kCommonKey, "MacroFile", root + "\\C.VBS");
    PluginModule plugin(context.dllPath);
    StandInEditor editor;
    Run(context, editor, plugin, {VK_ESCAPE});
    context.check.EqualLines(
        {"&1 a.js #9217 checked", "&3 C.VBS #1 default", "&4 Empty >", "&5 Sub >", "  &1 d.py #2",
         "  &2 e.PL #9216 checked", "&6 x&&y.rb #3", "---", FolderItem(plugin)},
        DescribeMenu(editor.snapshot().items), "menu");
    context.check.Equal(0, static_cast<long long>(editor.messages().size()), "messages");
}

void FolderItemTakesALetterPastNineItems(Context& context) {
    ResetEditorSettings();
    for (int i = 0; i < 10; ++i) {
        MakeFile(context.folder + "\\m" + std::to_string(i) + ".jsee");
    }
    MakeFile(context.folder + "\\z.txt");  // takes position 10 without an item
    SetMacroFolder(context.folder);
    SetDword(kCommonKey, "ExtraShortCut", 2);
    PluginModule plugin(context.dllPath);
    StandInEditor editor;
    Run(context, editor, plugin, {VK_ESCAPE});
    Lines expected;
    for (int i = 0; i < 10; ++i) {
        expected.push_back("&" + std::to_string((i + 1) % 10) + " m" + std::to_string(i) +
                           ".jsee #" + std::to_string(i + 1));
    }
    expected.push_back("---");
    expected.push_back("&A " + LoadText(plugin, 500) + " #9215");
    context.check.EqualLines(expected, DescribeMenu(editor.snapshot().items), "menu");

    SetDword(kCommonKey, "ExtraShortCut", 1);
    Run(context, editor, plugin, {VK_ESCAPE});
    const Lines withStyle1 = DescribeMenu(editor.snapshot().items);
    context.check.EqualBytes(FolderItem(plugin), withStyle1.back(), "folder item in style 1");
}

void MenuOpensAtTheMousePointer(Context& context) {
    ResetEditorSettings();
    MakeSampleTree(context.folder);
    SetMacroFolder(context.folder);
    PluginModule plugin(context.dllPath);
    StandInEditor editor;
    // Not on a diagonal, so that swapped coordinates show.
    SetCursorPos(200, 500);
    RECT shown = {};
    editor.onMenuShown = [&] {
        if (HWND popup = FindWindowA("#32768", nullptr)) GetWindowRect(popup, &shown);
    };
    Run(context, editor, plugin, {VK_ESCAPE});
    std::printf("  the menu's window at (%ld, %ld)\n", shown.left, shown.top);
    context.check.Equal(200, shown.left, "left edge at the pointer's x");
    context.check.Equal(500, shown.top, "top edge at the pointer's y");
}

// --- Choosing ---

void ChoosingARegisteredMacroPostsIt(Context& context) {
    ResetEditorSettings();
    MakeSampleTree(context.folder);
    SetMacroFolder(context.folder);
    const std::string registered = context.folder + "\\Sub\\e.PL";
    SetString(kMacrosKey, "Macro0", context.folder + "\\elsewhere.js");
    SetString(kMacrosKey, "Macro1", registered);
    PluginModule plugin(context.dllPath);
    StandInEditor editor;
    Run(context, editor, plugin, {'5', '2'});
    const auto& messages = editor.messages();
    if (context.check.Equal(1, static_cast<long long>(messages.size()), "messages")) {
        context.check.True(messages[0].posted, "2070 is posted");
        context.check.Equal(kRunCommand, messages[0].message, "message");
        context.check.Equal(9217, static_cast<long long>(messages[0].wParam), "wParam");
        context.check.EqualValue(StringValue(registered), messages[0].macroSlot,
                                 "the macro the editor runs");
    }
    context.check.EqualValue(StringValue(context.folder + "\\elsewhere.js"),
                             ReadValue(kMacrosKey, "Macro0"), "Macro0 untouched");
}

void ChoosingAnUnregisteredMacroLendsMacro0(Context& context) {
    struct Case {
        const char* what;
        RegistryValue before;
    };
    const Case cases[] = {
        {"absent", RegistryValue()},
        {"REG_SZ", StringValue("C:\\Other\\z.js")},
        {"REG_EXPAND_SZ", StringValue("%APPDATA%\\z.js", REG_EXPAND_SZ)},
        {"existing empty", StringValue("")},
    };
    PluginModule plugin(context.dllPath);
    StandInEditor editor;
    for (const Case& c : cases) {
        std::printf("  Macro0 %s\n", c.what);
        ResetEditorSettings();
        MakeSampleTree(context.folder);
        SetMacroFolder(context.folder);
        SetString(kMacrosKey, "Macro1", "C:\\Other\\second.js");
        if (c.before.present) {
            SetValue(kMacrosKey, "Macro0", c.before.type, c.before.bytes);
        }
        Run(context, editor, plugin, {'5', '1'});
        const auto& messages = editor.messages();
        if (context.check.Equal(1, static_cast<long long>(messages.size()), "messages")) {
            context.check.True(!messages[0].posted, "2070 is sent");
            context.check.Equal(9216, static_cast<long long>(messages[0].wParam), "wParam");
            context.check.EqualValue(StringValue(context.folder + "\\Sub\\d.py"),
                                     messages[0].macroSlot, "Macro0 while the editor runs it");
            context.check.True(editor.snapshot().handles.size() >= 2, "a menu and a sub-menu");
            context.check.Equal(0, messages[0].menusAlive, "menus alive while the editor runs it");
        }
        context.check.EqualValue(c.before, ReadValue(kMacrosKey, "Macro0"), "Macro0 afterwards");
    }
}

void WithoutTheMacrosKeyNothingRuns(Context& context) {
    ResetEditorSettings();
    MakeSampleTree(context.folder);
    SetMacroFolder(context.folder);
    PluginModule plugin(context.dllPath);
    StandInEditor editor;
    Run(context, editor, plugin, {'1'});
    context.check.Equal(0, static_cast<long long>(editor.messages().size()), "messages");
    context.check.True(!KeyExists(kMacrosKey), "no Macros key created");
}

void EscapeDoesNothing(Context& context) {
    ResetEditorSettings();
    MakeSampleTree(context.folder);
    SetMacroFolder(context.folder);
    SetString(kMacrosKey, "Macro0", context.folder + "\\a.js");
    PluginModule plugin(context.dllPath);
    StandInEditor editor;
    // Into a sub-menu and out again: the menu call then reports a dismissal.
    Run(context, editor, plugin, {'5', VK_ESCAPE, VK_ESCAPE});
    context.check.Equal(0, static_cast<long long>(editor.messages().size()), "messages");
    context.check.EqualValue(StringValue(context.folder + "\\a.js"),
                             ReadValue(kMacrosKey, "Macro0"), "Macro0 untouched");
}

void FolderItemOpensTheFolderInTheShell(Context& context) {
    ResetEditorSettings();
    const std::string folder = context.folder + "\\ShellTarget";
    MakeFile(folder + "\\a.js");
    SetMacroFolder(folder);
    PluginModule plugin(context.dllPath);
    StandInEditor editor;
    Run(context, editor, plugin, {'O'});
    context.check.Equal(0, static_cast<long long>(editor.messages().size()), "messages");
    HWND explorer = nullptr;
    for (int waited = 0; waited < 200 && explorer == nullptr; ++waited) {
        Sleep(100);
        explorer = FindWindowA("ExplorerWClass", "ShellTarget");
    }
    if (context.check.True(explorer != nullptr, "an Explorer window titled ShellTarget")) {
        PostMessageA(explorer, WM_CLOSE, 0, 0);
    }
}

// MacroFolder names a batch file, not a folder: the folder item runs nothing.
void TheFolderItemRunsNoFile(Context& context) {
    ResetEditorSettings();
    const std::string ran = context.folder + "\\ran.txt";
    const std::string batch = context.folder + "\\macros.bat";
    MakeFile(batch, "@echo ran> \"" + ran + "\"\r\n");
    SetMacroFolder(batch);
    PluginModule plugin(context.dllPath);
    StandInEditor editor;
    Run(context, editor, plugin, {'O'});
    context.check.EqualLines({"---", FolderItem(plugin)}, DescribeMenu(editor.snapshot().items),
                             "menu");
    Sleep(3000);
    context.check.True(GetFileAttributesA(ran.c_str()) == INVALID_FILE_ATTRIBUTES,
                       "the batch file did not run");
}

// --- The macro author's loop ---

// Shift+Enter on a registered macro of the top menu and on one in a
// sub-folder: the editor opens each, and runs nothing.
void APickWithShiftOpensTheMacro(Context& context) {
    ResetEditorSettings();
    MakeFile(context.folder + "\\reg.js");
    MakeFile(context.folder + "\\Sub\\inner.js");
    SetMacroFolder(context.folder);
    SetString(kMacrosKey, "Macro0", context.folder + "\\reg.js");
    PluginModule plugin(context.dllPath);
    StandInEditor editor;
    struct Case {
        const char* what;
        std::vector<WORD> keys;
        const char* file;
    };
    const WORD shiftEnter = kWithShift | VK_RETURN;
    for (const Case& c : {Case{"registered, top menu", {VK_DOWN, shiftEnter}, "\\reg.js"},
                          Case{"in a sub-folder", {'2', shiftEnter}, "\\Sub\\inner.js"}}) {
        std::printf("  %s\n", c.what);
        Run(context, editor, plugin, c.keys);
        const auto& messages = editor.messages();
        if (context.check.Equal(1, static_cast<long long>(messages.size()), "messages")) {
            context.check.Equal(kLoadFile, messages[0].message, "2096, no 2070");
            context.check.True(messages[0].wideText == Widen(context.folder + c.file),
                               "the macro's full path");
        }
        context.check.EqualValue(StringValue(context.folder + "\\reg.js"),
                                 ReadValue(kMacrosKey, "Macro0"), "Macro0 untouched");
        context.check.True(!ReadValue("Software\\Quorvin", "LastMacro").present,
                           "nothing remembered");
    }
}

// A macro run, then the item that runs it again: in the same DLL and in one
// loaded anew, for an editor that keeps its settings in the registry and for
// a portable one.
void TheMacroRunLastRunsAgain(Context& context) {
    const std::wstring ini = Widen(context.folder) + L"\\ini";
    const std::string folder = context.folder + "\\macros";
    for (const bool portable : {false, true}) {
        std::printf("  settings in %s\n", portable ? "INI files" : "the registry");
        ResetEditorSettings();
        MakeFile(folder + "\\reg.js");
        MakeFile(folder + "\\run.js");
        const std::wstring registered = Widen(folder) + L"\\reg.js";
        if (portable) {
            CreateDirectoryW(ini.c_str(), nullptr);
            WriteIniFile(ini + L"\\EmEditor.ini", L"[Common]\r\nMacroFolder=" + Widen(folder) +
                                                      L"\r\n[Macros]\r\nMacro0=" + registered +
                                                      L"\r\n");
            WriteIniFile(ini + L"\\PlugIns.ini", L"");
            SetEnvironmentVariableW(L"QUORVIN_STANDIN_INI", ini.c_str());
        } else {
            SetMacroFolder(folder);
            SetString(kMacrosKey, "Macro0", folder + "\\reg.js");
        }
        for (const char* name : {"run.js", "reg.js"}) {
            const bool isRegistered = std::strcmp(name, "reg.js") == 0;
            const std::wstring path = Widen(folder + "\\" + name);
            std::printf("    %s\n", name);
            for (int load = 1; load <= 2; ++load) {
                PluginModule plugin(context.dllPath);
                StandInEditor editor;
                if (load == 1)
                    Run(context, editor, plugin, {static_cast<WORD>(isRegistered ? '1' : '2')});
                Run(context, editor, plugin, {'R'});
                const auto& items = editor.snapshot().items;
                if (context.check.True(items.size() >= 2, "a menu")) {
                    const MenuItemSnapshot& again = items[items.size() - 2];
                    context.check.Equal(9214, again.id, "the item's identifier");
                    context.check.True(
                        again.trueLabel == Widen(name) + L" \u3092\u518D\u5B9F\u884C(&R)",
                        "the item's Japanese label");
                }
                const auto& messages = editor.messages();
                if (context.check.Equal(1, static_cast<long long>(messages.size()), "messages")) {
                    context.check.Equal(kRunCommand, messages[0].message, "run");
                    context.check.Equal(9216, static_cast<long long>(messages[0].wParam), "wParam");
                    context.check.True(messages[0].posted == isRegistered,
                                       "posted when registered, lent when not");
                    if (!isRegistered) {
                        context.check.True(messages[0].macroSlotText == path, "Macro0 lent to it");
                    }
                }
                std::wstring remembered;
                if (portable) {
                    ReadIniText((ini + L"\\PlugIns.ini").c_str(), L"Quorvin", L"LastMacro",
                                &remembered);
                } else {
                    remembered = StoredText("Software\\Quorvin", "LastMacro");
                }
                context.check.True(remembered == path, "LastMacro names it");
            }
        }
        if (portable) {
            context.check.True(!KeyExists("Software\\Quorvin"),
                               "a portable editor's registry unwritten");
        }
    }
    SetEnvironmentVariableW(L"QUORVIN_STANDIN_INI", nullptr);
}

// --- Code page 932 ---

void JapaneseNamesAndTexts(Context& context) {
    ResetEditorSettings();
    context.check.Equal(932, GetACP(), "system code page");
    // "ソフト" (its first trail byte is 0x5C), "表" (also 0x5C) and "日本語".
    const std::string soft = "\x83\x5C\x83\x74\x83\x67";
    const std::string table = "\x95\x5C";
    const std::string japanese = "\x93\xFA\x96\x7B\x8C\xEA";
    MakeFile(context.folder + "\\" + japanese + ".js");
    MakeFile(context.folder + "\\" + soft + "\\" + table + ".vbs");
    SetMacroFolder(context.folder);
    SetString(kMacrosKey, "Macro0", context.folder + "\\" + soft + "\\" + table + ".vbs");
    PluginModule plugin(context.dllPath);
    StandInEditor editor;
    Run(context, editor, plugin, {VK_ESCAPE});
    // "マクロフォルダを開く(&O)" in code page 932.
    const std::string folderItem =
        "\x83\x7D\x83\x4E\x83\x8D\x83\x74\x83\x48\x83\x8B\x83\x5F\x82\xF0\x8A\x4A\x82\xAD(&O)";
    context.check.EqualBytes(folderItem, LoadText(plugin, 502), "text 502");
    context.check.EqualLines({"&1 " + soft + " >", "  &1 " + table + ".vbs #9216 checked",
                              "&2 " + japanese + ".js #1", "---", folderItem + " #9215"},
                             DescribeMenu(editor.snapshot().items), "menu");

    ResetEditorSettings();
    CheckNoFolderMessage(context);
    // "マクロが見つかりません" in code page 932.
    PluginModule again(context.dllPath);
    context.check.EqualBytes(
        "\x83\x7D\x83\x4E\x83\x8D\x82\xAA\x8C\xA9\x82\xC2\x82\xA9\x82\xE8"
        "\x82\xDC\x82\xB9\x82\xF1",
        LoadText(again, 501), "text 501");
}

void FolderEndingInSoOrASeparator(Context& context) {
    context.check.Equal(932, GetACP(), "system code page");
    const std::string soft = context.folder + "\\\x83\x5C";  // ends in ソ: trail byte 0x5C
    MakeFile(soft + "\\run.js");
    MakeFile(soft + "\\reg.js");
    PluginModule plugin(context.dllPath);
    StandInEditor editor;
    for (const std::string& folder : {soft, soft + "\\"}) {
        std::printf("  MacroFolder [%s]\n", Hex(folder).c_str());
        ResetEditorSettings();
        SetMacroFolder(folder);
        SetString(kMacrosKey, "Macro0", soft + "\\reg.js");
        SetString(kCommonKey, "MacroFile", soft + "\\reg.js");
        Run(context, editor, plugin, {'2'});
        context.check.EqualLines(
            {"&1 reg.js #9216 checked default", "&2 run.js #1", "---", FolderItem(plugin)},
            DescribeMenu(editor.snapshot().items), "menu");
        const auto& messages = editor.messages();
        if (context.check.Equal(1, static_cast<long long>(messages.size()), "messages")) {
            context.check.EqualValue(StringValue(soft + "\\run.js"), messages[0].macroSlot,
                                     "Macro0 while the editor runs it");
        }
        context.check.EqualValue(StringValue(soft + "\\reg.js"), ReadValue(kMacrosKey, "Macro0"),
                                 "Macro0 afterwards");
    }
}

// --- Names outside the code page ---

struct TrueNameCase {
    const wchar_t* path;  // below the test's folder
    bool exact;           // the code page holds it: lent as it is, else by its short form
};

struct FileIdentity {
    bool known = false;
    DWORD volume = 0, high = 0, low = 0;
    bool operator==(const FileIdentity& o) const {
        return known && o.known && volume == o.volume && high == o.high && low == o.low;
    }
};

FileIdentity IdentityOf(HANDLE file) {
    FileIdentity identity;
    BY_HANDLE_FILE_INFORMATION info;
    if (file != INVALID_HANDLE_VALUE && GetFileInformationByHandle(file, &info)) {
        identity =
            FileIdentity{true, info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
    }
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    return identity;
}

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

FileIdentity NarrowIdentity(const std::string& path) {
    return IdentityOf(CreateFileA(path.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING, 0, nullptr));
}

FileIdentity WideIdentity(const std::wstring& path) {
    return IdentityOf(CreateFileW(path.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING, 0, nullptr));
}

std::string ToCodePage(const std::wstring& text) {
    std::string narrow(text.size() * 3 + 1, '\0');
    narrow.resize(WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()),
                                      &narrow[0], static_cast<int>(narrow.size()), nullptr,
                                      nullptr));
    return narrow;
}

std::string NarrowShortPath(const std::wstring& path) {
    wchar_t buffer[MAX_PATH * 2] = {};
    GetShortPathNameW(path.c_str(), buffer, MAX_PATH * 2);
    return ToCodePage(buffer);
}

// The item whose true label is a prefix and this name with "&" doubled, and
// the keys that choose it.
const MenuItemSnapshot* FindTrueName(const std::vector<MenuItemSnapshot>& items,
                                     const std::wstring& path, std::vector<WORD>& keys) {
    const std::size_t separator = path.find(L'\\');
    const std::wstring name = path.substr(0, separator);
    std::wstring escaped;
    for (wchar_t c : name) escaped += c == L'&' ? L"&&" : std::wstring(1, c);
    for (const MenuItemSnapshot& item : items) {
        if (item.trueLabel.size() < 3 || item.trueLabel.substr(3) != escaped) continue;
        keys.push_back(static_cast<WORD>(item.trueLabel[1]));
        if (separator == std::wstring::npos) return &item;
        return FindTrueName(item.children, path.substr(separator + 1), keys);
    }
    return nullptr;
}

// The first case is registered by its short path; each other one is chosen
// and must be lent as a narrow path that opens that very file. With
// shortFolder, the macro folder is set by its short path, so that the short
// path of a short non-ASCII name is longer than the path itself.
void CheckTrueNames(Context& context, UINT codePage, const std::vector<TrueNameCase>& cases,
                    bool shortFolder = false) {
    ResetEditorSettings();
    context.check.Equal(codePage, GetACP(), "system code page");
    const std::string folder =
        shortFolder ? NarrowShortPath(Widen(context.folder)) : context.folder;
    const std::wstring root = Widen(folder);
    for (const TrueNameCase& c : cases) MakeFile(root + L"\\" + c.path);
    MakeFile(folder + "\\ab.js");  // registered; a look-alike must not match it
    SetMacroFolder(folder);
    SetString(kMacrosKey, "Macro0", "C:\\keep.js");
    SetString(kMacrosKey, "Macro1", NarrowShortPath(root + L"\\" + cases[0].path));
    SetString(kMacrosKey, "Macro2", folder + "\\ab.js");
    PluginModule plugin(context.dllPath);
    StandInEditor editor;
    Run(context, editor, plugin, {VK_ESCAPE});
    const std::vector<MenuItemSnapshot> items = editor.snapshot().items;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const std::wstring path = root + L"\\" + cases[i].path;
        std::printf("  case %u: [%s]\n", static_cast<unsigned>(i), Hex(ToCodePage(path)).c_str());
        std::vector<WORD> keys;
        const MenuItemSnapshot* item = FindTrueName(items, cases[i].path, keys);
        if (!context.check.True(item != nullptr, "listed by its true name")) continue;
        if (i == 0) {
            context.check.Equal(9217, item->id, "registered by its short path");
            context.check.True((item->state & MFS_CHECKED) != 0, "checked");
            continue;
        }
        context.check.True(item->id >= 1 && item->id <= 9213, "an unregistered macro");
        context.check.True((item->state & MFS_GRAYED) != MFS_GRAYED, "not grayed");
        Run(context, editor, plugin, keys);
        const auto& messages = editor.messages();
        if (!context.check.Equal(1, static_cast<long long>(messages.size()), "messages")) continue;
        context.check.Equal(9216, static_cast<long long>(messages[0].wParam), "wParam");
        const RegistryValue& lent = messages[0].macroSlot;
        context.check.Equal(REG_SZ, lent.type, "Macro0 lent as REG_SZ");
        const std::string narrow = lent.bytes.substr(0, lent.bytes.find('\0'));
        if (cases[i].exact) context.check.EqualBytes(ToCodePage(path), narrow, "the path itself");
        context.check.True(NarrowIdentity(narrow) == WideIdentity(path),
                           "the lent path opens that very file");
        context.check.EqualValue(StringValue("C:\\keep.js"), ReadValue(kMacrosKey, "Macro0"),
                                 "Macro0 put back");
    }
}

void NamesOutsideTheJapaneseCodePage(Context& context) {
    CheckTrueNames(context, 932,
                   {
                       {L"caf\u00E9.js", false},
                       {L"\u0395\u03BB\u03BB\u03B7\u03BD\u03B9\u03BA\u03AC.js", false},
                       {L"\uD55C\uAD6D\uC5B4\\\uC548\uB155.js", false},  // 한국어\안녕.js
                       {L"\U0001F600 smile.js", false},
                       {L"R&D \u00FC.jsee", false},
                       {L"\u00A5yen.js", false},  // ¥ would best-fit to 0x5C
                       {L"\u65E5\u672C\u8A9E.js", true},
                   });
}

// 한국어\안녕.js below C:\QUORVI~1\SHORTM~1: its short path is the longer.
void ShortNamesLongerThanTheNames(Context& context) {
    CheckTrueNames(context, 932,
                   {{L"caf\u00E9.js", false}, {L"\uD55C\uAD6D\uC5B4\\\uC548\uB155.js", false}},
                   true);
}

// 한국어폴더 and ten folders of twelve Japanese letters: past 260 bytes in the
// code page, far below 260 units in UTF-16.
void JapaneseFoldersPast260Bytes(Context& context) {
    std::wstring deep = L"\uD55C\uAD6D\uC5B4\uD3F4\uB354";
    for (int level = 0; level < 10; ++level) {
        deep += L"\\\u3042\u3044\u3046\u3048\u304A\u304B\u304D\u304F\u3051\u3053\u3055";
        deep += static_cast<wchar_t>(L'\u3060' + level);  // the twelfth letter tells levels apart
    }
    deep += L"\\m.js";
    CheckTrueNames(context, 932, {{L"caf\u00E9.js", false}, {deep.c_str(), false}});
}

void NamesOutsideTheWesternCodePage(Context& context) {
    CheckTrueNames(context, 1252,
                   {
                       {L"\u65E5\u672C\u8A9E.js", false},
                       {L"a\u00ADb.js", true},   // a soft hyphen: lstrcmpA takes it for ab.js
                       {L"a\uFF3Cb.js", false},  // ＼ would best-fit to 0x5C
                       {L"caf\u00E9.js", true},
                       {L"\u03A9mega & co.py", false},
                   });
}

// The Unicode editor writes its settings by their true text: a macro folder
// that the code page cannot hold, and its registered and current macros in it.
void CheckFolderOutsideTheCodePage(Context& context, UINT codePage, const std::wstring& name) {
    ResetEditorSettings();
    context.check.Equal(codePage, GetACP(), "system code page");
    const std::wstring root = Widen(context.folder) + L"\\" + name;
    for (const wchar_t* file : {L"cur.js", L"plain.js", L"reg.js", L"Sub\\inner.js"}) {
        MakeFile(root + L"\\" + file);
    }
    SetWideString(kCommonKey, "MacroFolder", root);
    SetWideString(kCommonKey, "MacroFile", root + L"\\cur.js");
    SetWideString(kMacrosKey, "Macro0", root + L"\\reg.js");
    const RegistryValue macro0 = ReadStoredValue(kMacrosKey, "Macro0");
    PluginModule plugin(context.dllPath);
    StandInEditor editor;
    Run(context, editor, plugin, {VK_ESCAPE});
    context.check.EqualLines({"&1 cur.js #1 default", "&2 plain.js #2", "&3 reg.js #9216 checked",
                              "&4 Sub >", "  &1 inner.js #3", "---", FolderItem(plugin)},
                             DescribeMenu(editor.snapshot().items), "the whole tree");

    Run(context, editor, plugin, {'3'});
    const auto& messages = editor.messages();
    if (context.check.Equal(1, static_cast<long long>(messages.size()), "messages for reg.js")) {
        context.check.True(messages[0].posted, "the registered macro is posted");
        context.check.Equal(9216, static_cast<long long>(messages[0].wParam), "its command");
    }
    Run(context, editor, plugin, {'2'});
    if (context.check.Equal(1, static_cast<long long>(messages.size()), "messages for plain.js")) {
        context.check.True(!messages[0].posted, "the plain macro is sent");
        const RegistryValue& lent = messages[0].macroSlot;
        const std::string narrow = lent.bytes.substr(0, lent.bytes.find('\0'));
        context.check.True(NarrowIdentity(narrow) == WideIdentity(root + L"\\plain.js"),
                           "the lent path opens that very file");
    }
    context.check.EqualValue(macro0, ReadStoredValue(kMacrosKey, "Macro0"),
                             "Macro0 afterwards, unit for unit");

    Run(context, editor, plugin, {'O'});
    HWND explorer = nullptr;
    for (int waited = 0; waited < 200 && explorer == nullptr; ++waited) {
        Sleep(100);
        explorer = FindWindowW(L"ExplorerWClass", name.c_str());
    }
    if (context.check.True(explorer != nullptr, "an Explorer window titled by the true name")) {
        PostMessageA(explorer, WM_CLOSE, 0, 0);
    }
}

void FolderOutsideTheJapaneseCodePage(Context& context) {
    CheckFolderOutsideTheCodePage(context, 932, L"\uD55C\uAD6D\uC5B4 \uB9E4\uD06C\uB85C");
}

void FolderOutsideTheWesternCodePage(Context& context) {
    CheckFolderOutsideTheCodePage(context, 1252, L"\u0141\u00F3d\u017A macros");
}

// --- Links (made on the Linux side by the runner) ---

void LinkLoopReturnsPromptly(Context& context) {
    ResetEditorSettings();
    // The runner made: a.js, Sub\b.js, Sub\up -> .., Sub\self -> ., Sub\Deep\root -> ../..
    SetMacroFolder(context.folder);
    PluginModule plugin(context.dllPath);
    StandInEditor editor;
    Run(context, editor, plugin, {VK_ESCAPE});
    context.check.True(editor.lastCommandMilliseconds() < 10000, "returned within 10 s");
    context.check.EqualLines(
        {"&1 a.js #1", "&2 Sub >", "  &1 b.js #2", "  &2 Deep >", "    &1 root >", "  &3 self >",
         "  &4 up >", "---", FolderItem(plugin)},
        DescribeMenu(editor.snapshot().items), "menu");
}

// --- Identity and host queries ---

using QueryStatusFunction = BOOL(WINAPI*)(HWND, BOOL*);
using OnEventsFunction = void(WINAPI*)(HWND, UINT, LPARAM);
using IdFunction = UINT(WINAPI*)();
using PlugInProcFunction = LRESULT(WINAPI*)(HWND, UINT, WPARAM, LPARAM);

const char* const kExportOrder[] = {"OnCommand",     "QueryStatus",        "OnEvents",
                                    "GetMenuTextID", "GetStatusMessageID", "GetBitmapID",
                                    "PlugInProc"};

void ExportsByNameAndOrdinal(Context& context) {
    ResetEditorSettings();
    PluginModule plugin(context.dllPath);
    context.check.True(plugin.handle() != nullptr, "the DLL loads");
    for (int i = 0; i < 7; ++i) {
        const FARPROC byName = plugin.Export(kExportOrder[i]);
        const FARPROC byOrdinal = plugin.Export(MAKEINTRESOURCEA(i + 1));
        std::printf("  %s at ordinal %d\n", kExportOrder[i], i + 1);
        context.check.True(byName != nullptr, "found by name");
        context.check.True(byName == byOrdinal, "the same function by name and by ordinal");
    }
    context.check.True(plugin.Export(MAKEINTRESOURCEA(8)) == nullptr, "no eighth export");
    context.check.True(plugin.Export("_OnCommand@4") == nullptr, "no decorated names");
    // Before the editor has answered, or ever did: the user's language.
    const bool japanese = PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_JAPANESE;
    context.check.Equal(japanese ? 1 : 1001, plugin.ExportAs<IdFunction>("GetMenuTextID")(),
                        "GetMenuTextID");
    context.check.Equal(japanese ? 2 : 1002, plugin.ExportAs<IdFunction>("GetStatusMessageID")(),
                        "GetStatusMessageID");
    context.check.Equal(101, plugin.ExportAs<IdFunction>("GetBitmapID")(), "GetBitmapID");

    const auto queryStatus = plugin.ExportAs<QueryStatusFunction>("QueryStatus");
    BOOL checked = TRUE;
    context.check.Equal(TRUE, queryStatus(nullptr, &checked), "QueryStatus result");
    context.check.Equal(FALSE, checked, "QueryStatus checked flag");
    context.check.Equal(TRUE, queryStatus(nullptr, nullptr), "QueryStatus without a flag");
}

std::wstring WideResource(const PluginModule& plugin, UINT id) {
    const wchar_t* text = nullptr;
    const int length = LoadStringW(plugin.handle(), id, reinterpret_cast<LPWSTR>(&text), 0);
    return length > 0 ? std::wstring(text, length) : std::wstring();
}

void StringTableHoldsTheTexts(Context& context) {
    struct Case {
        UINT id;
        const wchar_t* text;
    };
    const Case cases[] = {
        {1, L"\u30DE\u30AF\u30ED\u30D5\u30A9\u30EB\u30C0\u4E00\u89A7"},
        {2,
         L"\u30D5\u30A9\u30EB\u30C0\u5185\u306E\u30DE\u30AF\u30ED\u3092\u30B5\u30D6\u30D5"
         L"\u30A9\u30EB\u30C0\u3082\u542B\u3081\u3066\u4E00\u89A7\u8868\u793A\u3057\u307E"
         L"\u3059\u3002\n\u30DE\u30AF\u30ED\u30D5\u30A9\u30EB\u30C0\u4E00\u89A7"},
        {3,
         L"\u30A2\u30F3\u30A4\u30F3\u30B9\u30C8\u30FC\u30EB\u3057\u3066\u3082\u3088\u308D"
         L"\u3057\u3044\u3067\u3059\u304B\uFF1F"},
        {4, L"Quorvin"},
        {5, L"Version 0.4 by Merrow"},
        {500, L"\u30DE\u30AF\u30ED\u30D5\u30A9\u30EB\u30C0\u3092\u958B\u304F"},
        {501, L"\u30DE\u30AF\u30ED\u304C\u898B\u3064\u304B\u308A\u307E\u305B\u3093"},
        {502, L"\u30DE\u30AF\u30ED\u30D5\u30A9\u30EB\u30C0\u3092\u958B\u304F(&O)"},
        {1001, L"Macro Folder List"},
        {1002, L"Lists the macros in the macro folder, sub-folders included.\nMacro Folder List"},
        {1003, L"Are you sure you want to uninstall Quorvin?"},
        {503, L"%1 \u3092\u518D\u5B9F\u884C(&R)"},
        {1500, L"Open Macro Folder"},
        {1501, L"No macro folder is set."},
        {1502, L"&Open Macro Folder"},
        {1503, L"&Run %1 Again"},
    };
    PluginModule plugin(context.dllPath);
    for (const Case& c : cases) {
        const std::wstring text = WideResource(plugin, c.id);
        std::printf("  string %u\n", c.id);
        context.check.True(text == c.text, "the exact text");
    }
}

// From the Plug-ins dialog, as the editor asks them.
void TextQueriesFillTheEditorsBuffer(Context& context) {
    PluginModule plugin(context.dllPath);
    StandInEditor editor;
    const auto plugInProc = plugin.ExportAs<PlugInProcFunction>("PlugInProc");
    struct Case {
        UINT code;
        WPARAM size;
        bool withBuffer;
        const char* written;  // nullptr: nothing
    };
    const Case cases[] = {
        {2306, 80, true, "Quorvin"}, {2306, 4, true, "Quo"},
        {2306, 1, true, ""},         {2306, 0, true, nullptr},
        {2306, 80, false, nullptr},  {2308, 80, true, "Version 0.4 by Merrow"},
        {2308, 8, true, "Version"},  {2308, 0xFFFFFFFF, true, "Version 0.4 by Merrow"},
    };
    for (const Case& c : cases) {
        char buffer[96];
        std::memset(buffer, 0x5A, sizeof buffer);
        std::printf("  code %u, size %lu%s\n", c.code, static_cast<unsigned long>(c.size),
                    c.withBuffer ? "" : ", no buffer");
        const LRESULT result = plugInProc(editor.OpenPlugInsDialog(), c.code, c.size,
                                          c.withBuffer ? reinterpret_cast<LPARAM>(buffer) : 0);
        context.check.Equal(c.code == 2306 ? 8 : 22, result, "length + 1");
        const std::size_t touched = c.written ? std::strlen(c.written) + 1 : 0;
        if (c.written) context.check.EqualBytes(c.written, buffer, "text");
        bool sentinelsIntact = true;
        for (std::size_t i = touched; i < sizeof buffer; ++i) {
            sentinelsIntact = sentinelsIntact && buffer[i] == 0x5A;
        }
        context.check.True(sentinelsIntact, "bytes after the text untouched");
    }
    struct Answer {
        UINT code;
        WPARAM flags;
        LRESULT expected;
    };
    const Answer answers[] = {
        {2304, 0, 0},
        {2305, 0, 0},
        {2307, 0, 0},
        {2309, 0, 0},
        {2314, 0, 0},
        {2310, 0, 1},
        {2312, 0x231, 114},
        {2312, 0x211, 108},
        {2312, 0x201, 102},
        {2312, 0x31, 110},
        {2312, 0, 101},
        {2313, 0x1, 0},
        {2313, 0x30, 0x00FF00FF},
    };
    for (const Answer& a : answers) {
        std::printf("  code %u, flags 0x%lx\n", a.code, static_cast<unsigned long>(a.flags));
        context.check.Equal(a.expected, plugInProc(nullptr, a.code, a.flags, 0), "answer");
    }
}

struct MessageBoxSeen {
    bool found = false;
    std::wstring caption, text;
    bool yesNoOnly = false;
    HWND owner = nullptr;
    UINT press = IDYES;
};
MessageBoxSeen* seenBox = nullptr;

// Wine sends no WM_ENTERIDLE for a message box, but a thread timer keeps
// firing in its modal loop: find the box there and press a button.
void CALLBACK AnswerMessageBox(HWND, UINT, UINT_PTR, DWORD) {
    HWND box = FindWindowA("#32770", "EmEditor");
    if (box == nullptr || seenBox == nullptr || seenBox->found) return;
    seenBox->found = true;
    wchar_t text[256] = {};
    GetWindowTextW(box, text, 256);
    seenBox->caption = text;
    GetDlgItemTextW(box, 0xFFFF, text, 256);
    seenBox->text = text;
    seenBox->yesNoOnly = GetDlgItem(box, IDYES) && GetDlgItem(box, IDNO) &&
                         !GetDlgItem(box, IDOK) && !GetDlgItem(box, IDCANCEL);
    seenBox->owner = GetWindow(box, GW_OWNER);
    PostMessageA(box, WM_COMMAND, seenBox->press, 0);
}

// Asks the plug-in from the Plug-ins dialog whether it may be uninstalled,
// answering with a button.
MessageBoxSeen AskToUninstall(const PluginModule& plugin, StandInEditor& editor, UINT press,
                              LRESULT* result) {
    const auto plugInProc = plugin.ExportAs<PlugInProcFunction>("PlugInProc");
    MessageBoxSeen seen;
    seen.press = press;
    seenBox = &seen;
    const UINT_PTR timer = SetTimer(nullptr, 0, 100, AnswerMessageBox);
    *result = plugInProc(editor.OpenPlugInsDialog(), 2311, 0, 0);
    KillTimer(nullptr, timer);
    seenBox = nullptr;
    return seen;
}

void UninstallAsksTheUser(Context& context) {
    context.check.Equal(932, GetACP(), "system code page");
    PluginModule plugin(context.dllPath);
    StandInEditor editor;
    struct Case {
        UINT press;
        LRESULT expected;
    };
    for (const Case& c : {Case{IDYES, 1}, Case{IDNO, 0}}) {
        std::printf("  pressing %s\n", c.press == IDYES ? "Yes" : "No");
        LRESULT result = -1;
        const MessageBoxSeen seen = AskToUninstall(plugin, editor, c.press, &result);
        context.check.True(seen.found, "a message box captioned EmEditor");
        context.check.Equal(c.expected, result, "answer");
        context.check.True(seen.caption == L"EmEditor", "caption");
        context.check.True(seen.text == WideResource(plugin, 3), "the question is text 3");
        context.check.True(seen.yesNoOnly, "buttons Yes and No only");
        context.check.True(seen.owner == editor.OpenPlugInsDialog(), "owned by the dialog");
    }
}

// Code page 1252 has no Japanese: the plug-in's own texts reach the user in
// UTF-16, not as question marks.
void OwnTextsInTheWesternCodePage(Context& context) {
    context.check.Equal(1252, GetACP(), "system code page");
    ResetEditorSettings();
    for (int i = 0; i < 10; ++i) {
        MakeFile(context.folder + "\\m" + std::to_string(i) + ".js");
    }
    SetMacroFolder(context.folder);
    PluginModule plugin(context.dllPath);
    StandInEditor editor;
    struct Case {
        DWORD style;
        std::wstring label;
    };
    for (const Case& c :
         {Case{1, WideResource(plugin, 502)}, Case{2, L"&A " + WideResource(plugin, 500)}}) {
        std::printf("  folder item, accelerator style %lu\n", static_cast<unsigned long>(c.style));
        SetDword(kCommonKey, "ExtraShortCut", c.style);
        Run(context, editor, plugin, {VK_ESCAPE});
        const auto& items = editor.snapshot().items;
        if (!context.check.True(!items.empty(), "a menu")) continue;
        context.check.True(items.back().trueLabel == c.label, "the Japanese text, in UTF-16");
        context.check.Equal(9215, items.back().id, "identifier");
    }
    LRESULT result = -1;
    const MessageBoxSeen seen = AskToUninstall(plugin, editor, IDYES, &result);
    context.check.True(seen.found, "a message box captioned EmEditor");
    context.check.Equal(1, result, "Yes");
    context.check.True(seen.text == WideResource(plugin, 3), "the Japanese question, in UTF-16");
}

// The editor's language, as it answers 2106/320, chooses the plug-in's own
// texts: its menu and status texts, loaded by the editor by the ids the
// plug-in gives, the folder item and the uninstall question.
void TheEditorsLanguageChoosesItsTexts(Context& context) {
    ResetEditorSettings();
    MakeFile(context.folder + "\\a.js");
    SetMacroFolder(context.folder);
    struct Case {
        const char* language;  // nullptr: an editor before 8.00, which answers 0
        bool english;
    };
    long long firstCallId = PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_JAPANESE ? 1 : 1001;
    for (const Case& c : {Case{"0x0409", true}, Case{"0x0407", true}, Case{"0x0411", false},
                          Case{nullptr, false}}) {
        std::printf("  the editor's language: %s\n", c.language ? c.language : "(none)");
        SetEnvironmentVariableA(kLanguageVariable, c.language);
        PluginModule plugin(context.dllPath);
        StandInEditor editor;
        const auto menuTextId = plugin.ExportAs<IdFunction>("GetMenuTextID");
        const auto statusTextId = plugin.ExportAs<IdFunction>("GetStatusMessageID");
        // Before a call with a window: the language answered last, in the
        // case before; at first, the user's.
        context.check.Equal(firstCallId, menuTextId(), "before a call with a window");
        BOOL checked = FALSE;
        plugin.ExportAs<QueryStatusFunction>("QueryStatus")(editor.window(), &checked);
        context.check.True(WideResource(plugin, menuTextId()) ==
                               (c.english ? L"Macro Folder List" : WideResource(plugin, 1)),
                           "the menu text the editor loads");
        context.check.True(
            WideResource(plugin, statusTextId()) == WideResource(plugin, c.english ? 1002 : 2),
            "the status text the editor loads");
        Run(context, editor, plugin, {VK_ESCAPE});
        const auto& items = editor.snapshot().items;
        if (context.check.True(!items.empty(), "a menu")) {
            context.check.True(items.back().trueLabel ==
                                   (c.english ? L"&Open Macro Folder" : WideResource(plugin, 502)),
                               "the folder item");
        }
        LRESULT agreed = -1;
        const MessageBoxSeen seen = AskToUninstall(plugin, editor, IDNO, &agreed);
        context.check.True(seen.text == (c.english ? L"Are you sure you want to uninstall Quorvin?"
                                                   : WideResource(plugin, 3)),
                           "the uninstall question");
        // The user picks Japanese in the editor, or English.
        SetEnvironmentVariableA(kLanguageVariable, c.english ? "0x0411" : "0x0409");
        plugin.ExportAs<OnEventsFunction>("OnEvents")(editor.window(), 0x10000000, 0);
        context.check.Equal(c.english ? 1 : 1001, menuTextId(), "after the change of language");
        firstCallId = c.english ? 1 : 1001;
    }
    SetEnvironmentVariableA(kLanguageVariable, nullptr);
    PluginModule plugin(context.dllPath);
    context.check.Equal(firstCallId, plugin.ExportAs<IdFunction>("GetMenuTextID")(),
                        "the next start, before a call with a window");
}

void EventsAreRememberedAndEchoed(Context& context) {
    PluginModule plugin(context.dllPath);
    StandInEditor editor;
    const auto onEvents = plugin.ExportAs<OnEventsFunction>("OnEvents");
    struct Step {
        UINT events;
        LPARAM value;
    };
    // As wide as LPARAM, every bit set somewhere: 0x9ABCDEF0 on x86, all of it on x64.
    const auto wide = static_cast<LPARAM>(static_cast<ULONG_PTR>(0x123456789ABCDEF0ULL));
    // A fresh process: nothing remembered yet.
    for (const Step& step : {Step{0x40, 5}, Step{0x440, 7}, Step{0x40, 9}, Step{0x400, 3},
                             Step{0x1, 4}, Step{0x40, 0}, Step{0x400, wide}, Step{0x40, 0}}) {
        onEvents(editor.window(), step.events, step.value);
    }
    editor.PumpMessages();
    const auto& messages = editor.messages();
    const WPARAM expected[] = {0, 7, 7, 3, static_cast<WPARAM>(wide)};
    if (context.check.Equal(5, static_cast<long long>(messages.size()), "messages")) {
        for (int i = 0; i < 5; ++i) {
            context.check.Equal(2050, messages[i].message, "message");
            context.check.True(!messages[i].posted, "sent, not posted");
            context.check.Equal(static_cast<long long>(expected[i]),
                                static_cast<long long>(messages[i].wParam), "wParam");
            context.check.Equal(0, messages[i].lParam, "lParam");
        }
    }
}

void ToolbarImagesHaveTheirFormats(Context& context) {
    struct Case {
        int id;
        int size;
        int bits;
        DWORD colours;
        COLORREF background;  // as RGB; for 32 bits, fully transparent black
    };
    const Case cases[] = {
        {101, 16, 8, 16, RGB(192, 192, 192)},
        {102, 24, 8, 16, RGB(192, 192, 192)},
        {103, 16, 8, 256, RGB(255, 0, 255)},
        {104, 24, 8, 256, RGB(255, 0, 255)},
        {107, 16, 8, 256, RGB(255, 0, 255)},
        {108, 24, 8, 256, RGB(255, 0, 255)},
        {109, 16, 32, 0, 0},
        {110, 24, 32, 0, 0},
        {113, 16, 32, 0, 0},
        {114, 24, 32, 0, 0},
    };
    PluginModule plugin(context.dllPath);
    for (const Case& c : cases) {
        std::printf("  bitmap %d\n", c.id);
        HRSRC found = FindResourceA(plugin.handle(), MAKEINTRESOURCEA(c.id), RT_BITMAP);
        if (!context.check.True(found != nullptr, "resource present")) continue;
        const auto* header = static_cast<const BITMAPINFOHEADER*>(
            LockResource(LoadResource(plugin.handle(), found)));
        context.check.Equal(c.size, header->biWidth, "width");
        context.check.Equal(c.size, header->biHeight, "height");
        context.check.Equal(c.bits, header->biBitCount, "bits per pixel");
        context.check.Equal(c.colours, header->biClrUsed, "palette entries");
        const auto* palette = reinterpret_cast<const RGBQUAD*>(
            reinterpret_cast<const BYTE*>(header) + header->biSize);
        const BYTE* pixels = reinterpret_cast<const BYTE*>(palette + c.colours);
        const DWORD stride = ((c.size * c.bits / 8) + 3) & ~3u;
        // The top-left pixel is background; rows run bottom-up.
        const BYTE* topLeft = pixels + stride * (c.size - 1);
        if (c.bits == 8) {
            const RGBQUAD colour = palette[topLeft[0]];
            context.check.Equal(c.background, RGB(colour.rgbRed, colour.rgbGreen, colour.rgbBlue),
                                "background");
        } else {
            context.check.Equal(0, *reinterpret_cast<const DWORD*>(topLeft),
                                "transparent black background");
            bool magenta = false;
            int opaque = 0;
            for (int i = 0; i < c.size * c.size; ++i) {
                const BYTE* p = pixels + i * 4;
                magenta = magenta || (p[0] == 255 && p[1] == 0 && p[2] == 255);
                opaque += p[3] == 255;
                if (p[3] == 0) {
                    context.check.Equal(0, p[0] | p[1] | p[2], "transparent pixels are black");
                }
            }
            context.check.True(!magenta, "no magenta");
            context.check.True(opaque > c.size * c.size / 2, "a picture, not an empty image");
        }
        HBITMAP loaded = static_cast<HBITMAP>(LoadImageA(plugin.handle(), MAKEINTRESOURCEA(c.id),
                                                         IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
        BITMAP info = {};
        context.check.True(loaded && GetObjectA(loaded, sizeof info, &info), "LoadImage");
        context.check.Equal(c.size, info.bmWidth, "loaded width");
        context.check.Equal(c.bits, info.bmBitsPixel, "loaded bits per pixel");
        DeleteObject(loaded);
    }
}

const TestEntry kTests[] = {
    E2E_TEST(NoMacroFolderWhenTheKeyIsAbsent, default),
    E2E_TEST(NoMacroFolderWhenTheValueIsEmpty, default),
    E2E_TEST(MenuShowsTheTree, default),
    E2E_TEST(FolderItemTakesALetterPastNineItems, default),
    E2E_TEST(MenuOpensAtTheMousePointer, default),
    E2E_TEST(ChoosingARegisteredMacroPostsIt, default),
    E2E_TEST(ChoosingAnUnregisteredMacroLendsMacro0, default),
    E2E_TEST(WithoutTheMacrosKeyNothingRuns, default),
    E2E_TEST(EscapeDoesNothing, default),
    E2E_TEST(FolderItemOpensTheFolderInTheShell, default),
    E2E_TEST(TheFolderItemRunsNoFile, default),
    E2E_TEST(APickWithShiftOpensTheMacro, default),
    E2E_TEST(TheMacroRunLastRunsAgain, default),
    E2E_TEST(JapaneseNamesAndTexts, ja),
    E2E_TEST(FolderEndingInSoOrASeparator, ja),
    E2E_TEST(NamesOutsideTheJapaneseCodePage, ja),
    E2E_TEST(NamesOutsideTheWesternCodePage, default),
    E2E_TEST(FolderOutsideTheJapaneseCodePage, ja),
    E2E_TEST(FolderOutsideTheWesternCodePage, default),
    E2E_TEST(ShortNamesLongerThanTheNames, ja),
    E2E_TEST(JapaneseFoldersPast260Bytes, ja),
    E2E_TEST(LinkLoopReturnsPromptly, default),
    E2E_TEST(ExportsByNameAndOrdinal, default),
    E2E_TEST(StringTableHoldsTheTexts, default),
    E2E_TEST(TextQueriesFillTheEditorsBuffer, default),
    E2E_TEST(UninstallAsksTheUser, ja),
    E2E_TEST(OwnTextsInTheWesternCodePage, default),
    E2E_TEST(TheEditorsLanguageChoosesItsTexts, default),
    E2E_TEST(EventsAreRememberedAndEchoed, default),
    E2E_TEST(ToolbarImagesHaveTheirFormats, default),
};

}  // namespace

int main(int argc, char** argv) { return RunTestByName(argc, argv, kTests); }
