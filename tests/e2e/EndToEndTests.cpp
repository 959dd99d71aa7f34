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

#include "Sandbox.h"
#include "StandInEditor.h"

using namespace standin;
using Lines = std::vector<std::string>;

namespace {

constexpr UINT kRunCommand = 2070;
constexpr UINT kNoMacroFolder = 2085;
constexpr const char* kTestsRoot = "C:\\quorvin-e2e\\";

struct Context {
    const char* dllPath;
    std::string folder;  // this test's own macro folder
    Checker check;
};

// Labels the string table gives in the system code page, as the host would load them.
std::string LoadText(const PluginModule& plugin, UINT id) {
    char buffer[512] = {};
    const int length = LoadStringA(plugin.handle(), id, buffer, sizeof buffer);
    return std::string(buffer, length > 0 ? length : 0);
}

std::string FolderItem(const PluginModule& plugin) { return LoadText(plugin, 502) + " #9215"; }

void CheckMenusDestroyed(Context& context, const StandInEditor& editor) {
    int alive = 0;
    for (HMENU menu : editor.snapshot().handles) {
        alive += IsMenu(menu) ? 1 : 0;
    }
    context.check.Equal(0, alive, "menus still alive after the command returned");
}

// Shows the menu, plays the keys and checks that the command cleaned up.
void Run(Context& context, StandInEditor& editor, const PluginModule& plugin,
         const std::vector<WORD>& keys) {
    editor.PlayKeys(keys);
    editor.RunCommand(plugin);
    context.check.True(editor.snapshot().taken, "the menu was shown");
    CheckMenusDestroyed(context, editor);
}

RegistryValue Value(DWORD type, const std::string& bytes) {
    RegistryValue value;
    value.present = true;
    value.type = type;
    value.bytes = bytes;
    return value;
}

RegistryValue StringValue(const std::string& text, DWORD type = REG_SZ) {
    return Value(type, text + std::string(1, '\0'));
}

void SetMacroFolder(const std::string& folder) { SetString(kCommonKey, "MacroFolder", folder); }

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

struct TestEntry {
    const char* name;
    void (*run)(Context&);
};

// The runner reads this table to learn the tests and how to run them:
// E2E_TEST(name, locale), locale "ja" runs under code page 932.
#define E2E_TEST(name, locale) \
    { #name, name }
const TestEntry kTests[] = {
    E2E_TEST(NoMacroFolderWhenTheKeyIsAbsent, default),
    E2E_TEST(NoMacroFolderWhenTheValueIsEmpty, default),
    E2E_TEST(MenuShowsTheTree, default),
    E2E_TEST(FolderItemTakesALetterPastNineItems, default),
    E2E_TEST(ChoosingARegisteredMacroPostsIt, default),
    E2E_TEST(ChoosingAnUnregisteredMacroLendsMacro0, default),
    E2E_TEST(WithoutTheMacrosKeyNothingRuns, default),
    E2E_TEST(EscapeDoesNothing, default),
    E2E_TEST(FolderItemOpensTheFolderInTheShell, default),
    E2E_TEST(JapaneseNamesAndTexts, ja),
    E2E_TEST(FolderEndingInSoOrASeparator, ja),
    E2E_TEST(LinkLoopReturnsPromptly, default),
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::printf("usage: %s <plug-in DLL> <test name>\n", argv[0]);
        return 2;
    }
    for (const TestEntry& test : kTests) {
        if (std::strcmp(test.name, argv[2]) != 0) continue;
        Context context{argv[1], kTestsRoot + std::string(test.name), Checker(test.name)};
        MakeFolder(context.folder);
        test.run(context);
        ResetEditorSettings();
        std::printf("%s %s\n", context.check.failures() ? "FAILED" : "PASSED", test.name);
        return context.check.failures() ? 1 : 0;
    }
    std::printf("no test named %s\n", argv[2]);
    return 2;
}
