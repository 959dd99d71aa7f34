// The loan of Macro0 across real processes under Wine: an editor that dies
// while the lent macro runs, the next process that repairs it, and loans of
// two editors that overlap. The test starts this program again for each
// editor it needs, in one of the roles below.
//
// Usage: quorvin_loans.exe <plug-in DLL> <test name>
//        quorvin_loans.exe <plug-in DLL> <role> [event] [key]

#include <windows.h>
// sddl.h needs windows.h first.
#include <sddl.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <functional>
#include <string>
#include <vector>

#include "EndToEnd.h"
#include "SettingsStore.h"

using namespace standin;

namespace {

constexpr const char* kJournalKey = "Software\\Quorvin";
constexpr DWORD kChildMilliseconds = 60000;

// --- Roles: the editors a test starts ---

// Chooses the macro of the key, and calls duringRun while the editor is asked
// to run Macro0.
void ChooseAndRun(const PluginModule& plugin, WORD key,
                  const std::function<void(StandInEditor&)>& duringRun) {
    StandInEditor editor;
    editor.onHostMessage = [&](const HostMessage& message) {
        if (!message.posted && message.message == kRunCommand) duringRun(editor);
    };
    editor.PlayKeys({key});
    editor.RunCommand(plugin);
}

// Dies, with no clean-up, while the lent macro runs.
void DieWhileRunningMacro0(const PluginModule& plugin, const char*, WORD key) {
    ChooseAndRun(plugin, key, [](StandInEditor&) { TerminateProcess(GetCurrentProcess(), 3); });
}

// While the lent macro runs, opens the menu again and chooses the first
// macro, and dies in that inner run.
void DieInTheNestedRun(const PluginModule& plugin, const char*, WORD key) {
    int runs = 0;
    ChooseAndRun(plugin, key, [&](StandInEditor& editor) {
        if (++runs == 2) TerminateProcess(GetCurrentProcess(), 3);
        editor.PlayKeys({'1'});
        editor.RunCommand(plugin);
    });
}

// While the lent macro runs, tells the test and waits until it lets it end.
void LendAndWait(const PluginModule& plugin, const char* event, WORD key) {
    const HANDLE started =
        CreateEventA(nullptr, TRUE, FALSE, (std::string(event) + ".started").c_str());
    const HANDLE mayEnd = CreateEventA(nullptr, TRUE, FALSE, (std::string(event) + ".end").c_str());
    ChooseAndRun(plugin, key, [&](StandInEditor&) {
        SetEvent(started);
        WaitForSingleObject(mayEnd, kChildMilliseconds);
    });
    CloseHandle(started);
    CloseHandle(mayEnd);
}

// An editor starting: it asks the plug-in for its state, nothing else.
void OnlyQueryStatus(const PluginModule& plugin, const char*, WORD) {
    using QueryStatusFunction = BOOL(WINAPI*)(HWND, BOOL*);
    StandInEditor editor;
    BOOL checked = FALSE;
    plugin.ExportAs<QueryStatusFunction>("QueryStatus")(editor.window(), &checked);
}

struct Role {
    const char* name;
    void (*run)(const PluginModule&, const char* event, WORD key);
};
const Role kRoles[] = {
    {"DieWhileRunningMacro0", DieWhileRunningMacro0},
    {"DieInTheNestedRun", DieInTheNestedRun},
    {"LendAndWait", LendAndWait},
    {"OnlyQueryStatus", OnlyQueryStatus},
};

// --- The test's side ---

struct Editor {
    PROCESS_INFORMATION process = {};
    bool started = false;
};

Editor Start(Context& context, const char* role, const char* event = "-", char key = '1') {
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string command = std::string("\"") + self + "\" \"" + context.dllPath + "\" " + role +
                          " " + event + " " + key;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    Editor editor;
    editor.started = CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                                    nullptr, &startup, &editor.process) != FALSE;
    context.check.True(editor.started, role);
    return editor;
}

void WaitFor(Context& context, Editor& editor) {
    if (!editor.started) return;
    context.check.True(
        WaitForSingleObject(editor.process.hProcess, kChildMilliseconds) == WAIT_OBJECT_0,
        "the editor process ended");
    CloseHandle(editor.process.hProcess);
    CloseHandle(editor.process.hThread);
    editor.started = false;
}

void Run(Context& context, const char* role, const char* event = "-", char key = '1') {
    Editor editor = Start(context, role, event, key);
    WaitFor(context, editor);
}

// Waits until an editor in LendAndWait has lent Macro0.
void WaitUntilLent(Context& context, const std::string& event) {
    const HANDLE started = CreateEventA(nullptr, TRUE, FALSE, (event + ".started").c_str());
    context.check.True(WaitForSingleObject(started, kChildMilliseconds) == WAIT_OBJECT_0,
                       "the editor lent Macro0");
    CloseHandle(started);
}

void LetEnd(const std::string& event) {
    const HANDLE mayEnd = CreateEventA(nullptr, TRUE, FALSE, (event + ".end").c_str());
    SetEvent(mayEnd);
    CloseHandle(mayEnd);
}

// No journal value in the plug-in's key; the values it keeps for itself may
// be there.
bool NoJournalLeft() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kJournalKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return true;
    }
    bool none = true;
    for (DWORD i = 0; none; ++i) {
        char name[512];
        DWORD nameSize = sizeof name;
        if (RegEnumValueA(key, i, name, &nameSize, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        none = IsPlugInValue(name);
    }
    RegCloseKey(key);
    return none;
}

// HKEY_CURRENT_USER\Software outside the editor's keys (or with them), one
// line per value. The plug-in's own values are left out, and so is its key
// when they are all it holds.
void Dump(HKEY parent, const std::string& path, std::string& out, bool withEditor = false) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(parent, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    if (path == kJournalKey && NoJournalLeft()) {
        DWORD subKeys = 0;
        RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, nullptr,
                         nullptr, nullptr, nullptr, nullptr);
        if (subKeys == 0) {
            RegCloseKey(key);
            return;
        }
    }
    out += path + "\n";
    for (DWORD i = 0;; ++i) {
        char name[512];
        DWORD nameSize = sizeof name, type = 0, size = 0;
        if (RegEnumValueA(key, i, name, &nameSize, nullptr, &type, nullptr, &size) !=
            ERROR_SUCCESS) {
            break;
        }
        if (path == kJournalKey && IsPlugInValue(name)) continue;
        std::vector<char> data(size + 1);
        nameSize = sizeof name;
        RegEnumValueA(key, i, name, &nameSize, nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                      &size);
        out += "  " + std::string(name) + " " + std::to_string(type) + " " +
               Hex(std::string(data.data(), size)) + "\n";
    }
    for (DWORD i = 0;; ++i) {
        char name[512];
        DWORD nameSize = sizeof name;
        if (RegEnumKeyExA(key, i, name, &nameSize, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        if (!withEditor && path == "Software" && std::strcmp(name, "EmSoft") == 0) continue;
        Dump(parent, path + "\\" + name, out, withEditor);
    }
    RegCloseKey(key);
}

std::string SoftwareOutsideTheEditor() {
    std::string out;
    Dump(HKEY_CURRENT_USER, "Software", out);
    return out;
}

std::string WholeSoftware() {
    std::string out;
    Dump(HKEY_CURRENT_USER, "Software", out, true);
    return out;
}

// A macro folder with run.js and inner.js, and Macro0 as the case has it.
void SetUp(Context& context, const RegistryValue& before) {
    ResetEditorSettings();
    MakeFile(context.folder + "\\inner.js");
    MakeFile(context.folder + "\\run.js");
    SetMacroFolder(context.folder);
    MakeKey(kMacrosKey);
    if (before.present) SetStoredValue(kMacrosKey, "Macro0", before.type, before.bytes);
}

RegistryValue Utf16Value(DWORD type, const std::string& text) {
    std::string bytes;
    for (char c : text + '\0') bytes += std::string{c, '\0'};
    return Value(type, bytes);
}

struct SlotCase {
    const char* what;
    RegistryValue before;  // as stored, UTF-16
};
const SlotCase kSlotCases[] = {
    {"REG_SZ", Utf16Value(REG_SZ, "C:\\mine.js")},
    {"REG_EXPAND_SZ", Utf16Value(REG_EXPAND_SZ, "%APPDATA%\\mine.js")},
    {"absent", RegistryValue()},
};

void CheckPutBack(Context& context, const RegistryValue& before, const std::string& software) {
    context.check.EqualValue(before, ReadStoredValue(kMacrosKey, "Macro0"), "Macro0 put back");
    context.check.True(NoJournalLeft(), "no journal left");
    context.check.EqualBytes(software, SoftwareOutsideTheEditor(),
                             "HKEY_CURRENT_USER\\Software as before");
}

// --- Tests ---

void AKilledEditorsLoanIsRepairedByTheNextOne(Context& context) {
    for (const SlotCase& c : kSlotCases) {
        std::printf("  Macro0 %s\n", c.what);
        SetUp(context, c.before);
        const std::string software = SoftwareOutsideTheEditor();
        Run(context, "DieWhileRunningMacro0", "-", '2');  // run.js
        context.check.EqualValue(StringValue(context.folder + "\\run.js"),
                                 ReadValue(kMacrosKey, "Macro0"), "Macro0 still lent");
        context.check.True(!NoJournalLeft(), "the journal outlived the editor");
        Run(context, "OnlyQueryStatus");
        CheckPutBack(context, c.before, software);
    }
}

void AMacro0ChangedSinceIsLeftAlone(Context& context) {
    SetUp(context, kSlotCases[0].before);
    Run(context, "DieWhileRunningMacro0", "-", '2');
    SetString(kMacrosKey, "Macro0", "C:\\changed.js");
    Run(context, "OnlyQueryStatus");
    context.check.EqualValue(StringValue("C:\\changed.js"), ReadValue(kMacrosKey, "Macro0"),
                             "Macro0 as the user changed it");
    context.check.True(NoJournalLeft(), "no journal left");
}

void ADeathInTheNestedRunGivesBackTheOriginal(Context& context) {
    SetUp(context, kSlotCases[1].before);
    const std::string software = SoftwareOutsideTheEditor();
    Run(context, "DieInTheNestedRun", "-", '2');  // run.js, then inner.js inside it
    context.check.EqualValue(StringValue(context.folder + "\\inner.js"),
                             ReadValue(kMacrosKey, "Macro0"), "Macro0 lent to the inner run");
    Run(context, "OnlyQueryStatus");
    CheckPutBack(context, kSlotCases[1].before, software);
}

void ALoanRunningElsewhereIsNotDisturbed(Context& context) {
    SetUp(context, kSlotCases[0].before);
    const std::string software = SoftwareOutsideTheEditor();
    Editor lender = Start(context, "LendAndWait", "Local\\QuorvinE2E.A", '2');
    WaitUntilLent(context, "Local\\QuorvinE2E.A");
    Run(context, "OnlyQueryStatus");
    context.check.EqualValue(StringValue(context.folder + "\\run.js"),
                             ReadValue(kMacrosKey, "Macro0"), "Macro0 still lent");
    context.check.True(!NoJournalLeft(), "the journal of a loan in flight");
    LetEnd("Local\\QuorvinE2E.A");
    WaitFor(context, lender);
    CheckPutBack(context, kSlotCases[0].before, software);
}

void OverlappingLoansOfTwoEditorsLeaveTheUsersValue(Context& context) {
    for (const bool firstEndsFirst : {true, false}) {
        std::printf("  the %s loan ends first\n", firstEndsFirst ? "first" : "second");
        SetUp(context, kSlotCases[1].before);
        const std::string software = SoftwareOutsideTheEditor();
        Editor a = Start(context, "LendAndWait", "Local\\QuorvinE2E.A", '2');  // run.js
        WaitUntilLent(context, "Local\\QuorvinE2E.A");
        Editor b = Start(context, "LendAndWait", "Local\\QuorvinE2E.B", '1');  // inner.js
        WaitUntilLent(context, "Local\\QuorvinE2E.B");
        context.check.EqualValue(StringValue(context.folder + "\\inner.js"),
                                 ReadValue(kMacrosKey, "Macro0"), "Macro0 lent by the second");
        LetEnd(firstEndsFirst ? "Local\\QuorvinE2E.A" : "Local\\QuorvinE2E.B");
        WaitFor(context, firstEndsFirst ? a : b);
        LetEnd(firstEndsFirst ? "Local\\QuorvinE2E.B" : "Local\\QuorvinE2E.A");
        WaitFor(context, firstEndsFirst ? b : a);
        CheckPutBack(context, kSlotCases[1].before, software);
    }
}

// While run.js runs, the menu opened again shows the user's macro 0, and
// picks it: the editor is asked to run it while Macro0 holds the user's path,
// not run.js.
void ANestedMenuDuringALoanShowsTheUsersMacro(Context& context) {
    ResetEditorSettings();
    MakeFile(context.folder + "\\mine.js");
    MakeFile(context.folder + "\\run.js");
    SetMacroFolder(context.folder);
    SetString(kMacrosKey, "Macro0", context.folder + "\\mine.js");
    PluginModule plugin(context.dllPath);
    StandInEditor editor;
    Lines nested;
    std::vector<HostMessage> nestedMessages;
    bool opened = false;
    editor.onHostMessage = [&](const HostMessage& message) {
        if (message.posted || opened) return;
        opened = true;
        editor.PlayKeys({'1'});
        editor.RunCommand(plugin);
        nested = DescribeMenu(editor.snapshot().items);
        nestedMessages = editor.messages();
    };
    standin::Run(context, editor, plugin, {'2'});  // run.js, not registered
    context.check.EqualLines({"&1 mine.js #1 checked", "&2 run.js #2", "---", FolderItem(plugin)},
                             nested, "the menu opened while run.js runs");
    if (context.check.Equal(1, static_cast<long long>(nestedMessages.size()),
                            "messages of the nested command")) {
        context.check.True(!nestedMessages[0].posted, "sent, not posted");
        context.check.Equal(9216, static_cast<long long>(nestedMessages[0].wParam), "wParam");
        context.check.EqualValue(StringValue(context.folder + "\\mine.js"),
                                 nestedMessages[0].macroSlot, "Macro0 while the editor runs it");
    }
    context.check.EqualValue(StringValue(context.folder + "\\mine.js"),
                             ReadValue(kMacrosKey, "Macro0"), "Macro0 put back");
    context.check.True(NoJournalLeft(), "no journal left");
}

// Another editor lends run.js; while this editor's menu is open, that loan
// ends. The user's macro 0, or the lent file, chosen then is what runs.
void AMenuDuringAnotherEditorsLoanRunsTheMacroChosen(Context& context) {
    for (const char key : {'1', '2'}) {
        const std::string chosen = context.folder + (key == '1' ? "\\inner.js" : "\\run.js");
        std::printf("  %s chosen\n", chosen.c_str());
        SetUp(context, RegistryValue());
        SetString(kMacrosKey, "Macro0", context.folder + "\\inner.js");
        Editor lender = Start(context, "LendAndWait", "Local\\QuorvinE2E.A", '2');  // run.js
        WaitUntilLent(context, "Local\\QuorvinE2E.A");
        PluginModule plugin(context.dllPath);
        StandInEditor editor;
        editor.onMenuShown = [&] {
            LetEnd("Local\\QuorvinE2E.A");
            WaitFor(context, lender);
        };
        standin::Run(context, editor, plugin, {static_cast<WORD>(key)});
        const auto& messages = editor.messages();
        if (context.check.Equal(1, static_cast<long long>(messages.size()), "messages")) {
            context.check.EqualValue(StringValue(chosen), messages[0].macroSlot,
                                     "the macro the editor runs");
        }
        context.check.EqualValue(StringValue(context.folder + "\\inner.js"),
                                 ReadValue(kMacrosKey, "Macro0"), "Macro0 put back");
        context.check.True(NoJournalLeft(), "no journal left");
    }
}

// Asks the uninstall question from the Plug-ins dialog, as the editor does,
// and answers No; atQuestion runs while the question shows. True when asked.
bool AskToUninstall(Context& context, StandInEditor& editor, const PluginModule& plugin,
                    const std::function<void()>& atQuestion) {
    using PlugInProcFunction = LRESULT(WINAPI*)(HWND, UINT, WPARAM, LPARAM);
    constexpr UINT_PTR kAnswerTimer = 77;
    bool asked = false;
    editor.onWindowMessage = [&](UINT message, WPARAM wParam, LPARAM) {
        if (message != WM_TIMER || wParam != kAnswerTimer) return false;
        const HWND question = FindWindowA(nullptr, "EmEditor");
        if (question != nullptr && !asked) {
            asked = true;
            atQuestion();
            context.check.True(GetWindow(question, GW_OWNER) == editor.OpenPlugInsDialog(),
                               "the question owned by the dialog");
            PostMessageA(question, WM_COMMAND, IDNO, 0);
        }
        return true;
    };
    SetTimer(editor.window(), kAnswerTimer, 100, nullptr);
    const LRESULT agreed =
        plugin.ExportAs<PlugInProcFunction>("PlugInProc")(editor.OpenPlugInsDialog(), 2311, 0, 0);
    KillTimer(editor.window(), kAnswerTimer);
    editor.onWindowMessage = nullptr;
    context.check.Equal(0, static_cast<long long>(agreed), "No keeps the plug-in");
    return context.check.True(asked, "the question was asked");
}

// In an editor long past its first call, after another editor was killed
// while it lent Macro0: the uninstall question comes only once Macro0 is back.
void TheUninstallQuestionComesAfterTheRepair(Context& context) {
    SetUp(context, kSlotCases[0].before);
    const std::string software = SoftwareOutsideTheEditor();
    PluginModule plugin(context.dllPath);
    StandInEditor editor;
    using QueryStatusFunction = BOOL(WINAPI*)(HWND, BOOL*);
    BOOL checked = FALSE;
    plugin.ExportAs<QueryStatusFunction>("QueryStatus")(editor.window(), &checked);
    Run(context, "DieWhileRunningMacro0", "-", '2');  // run.js
    context.check.EqualValue(StringValue(context.folder + "\\run.js"),
                             ReadValue(kMacrosKey, "Macro0"), "Macro0 left lent");
    RegistryValue atQuestion;
    AskToUninstall(context, editor, plugin,
                   [&] { atQuestion = ReadStoredValue(kMacrosKey, "Macro0"); });
    context.check.EqualValue(kSlotCases[0].before, atQuestion, "Macro0 back before the question");
    CheckPutBack(context, kSlotCases[0].before, software);
}

// --- A portable editor, whose settings are in INI files of its own ---

// The registry holds another editor's folder and Macro0; the INI files hold
// this editor's: a folder whose name no code page holds, a registered macro
// and a current one. The editors this test starts keep theirs there too.
struct Portable {
    std::wstring ini;
    std::wstring macros;
    // Both stores as the test began, for it to end with them so.
    std::wstring iniBefore;
    std::string registryBefore;
};

Portable SetUpPortable(Context& context) {
    ResetEditorSettings();
    MakeFile(context.folder + "\\other\\stale.js");
    SetMacroFolder(context.folder + "\\other");
    SetString(kMacrosKey, "Macro0", context.folder + "\\other\\stale.js");
    Portable portable;
    portable.ini = Widen(context.folder) + L"\\ini";
    portable.macros = Widen(context.folder) + L"\\macros \uD55C";
    for (const wchar_t* name : {L"a_reg.js", L"b_cur.js", L"c_run.js", L"d_a longer name.js"}) {
        MakeFile(portable.macros + L"\\" + name);
    }
    CreateDirectoryW(portable.ini.c_str(), nullptr);
    WriteIniFile(portable.ini + L"\\EmEditor.ini", L"[Common]\r\nMacroFolder=" + portable.macros +
                                                       L"\r\nMacroFile=" + portable.macros +
                                                       L"\\b_cur.js\r\n[Macros]\r\nMacro0=" +
                                                       portable.macros + L"\\a_reg.js\r\n");
    WriteIniFile(portable.ini + L"\\PlugIns.ini", L"");
    SetEnvironmentVariableW(L"QUORVIN_STANDIN_INI", portable.ini.c_str());
    portable.iniBefore = DumpIniFiles(portable.ini);
    portable.registryBefore = WholeSoftware();
    return portable;
}

std::string Utf8(const std::wstring& text) {
    std::string out(text.size() * 3 + 1, '\0');
    out.resize(WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &out[0],
                                   static_cast<int>(out.size()), nullptr, nullptr));
    return out;
}

std::wstring IniMacro0(const Portable& portable) {
    std::wstring text;
    return ReadIniText((portable.ini + L"\\EmEditor.ini").c_str(), L"Macros", L"Macro0", &text)
               ? text
               : L"(absent)";
}

void CheckStoresAsBefore(Context& context, const Portable& portable) {
    context.check.EqualBytes(Utf8(portable.iniBefore), Utf8(DumpIniFiles(portable.ini)),
                             "the INI files hold what they held");
    context.check.EqualBytes(portable.registryBefore, WholeSoftware(),
                             "HKEY_CURRENT_USER\\Software as before");
}

void APortableEditorReadsAndLendsThroughItsOwnStore(Context& context) {
    const Portable portable = SetUpPortable(context);
    PluginModule plugin(context.dllPath);
    {
        StandInEditor editor;
        standin::Run(context, editor, plugin, {'1'});  // a_reg.js, registered
        context.check.EqualLines(
            {"&1 a_reg.js #9216 checked", "&2 b_cur.js #1 default", "&3 c_run.js #2",
             "&4 d_a longer name.js #3", "---", FolderItem(plugin)},
            DescribeMenu(editor.snapshot().items), "the INI's folder");
        const auto& messages = editor.messages();
        if (context.check.Equal(1, static_cast<long long>(messages.size()), "messages")) {
            context.check.True(messages[0].posted && messages[0].wParam == 9216,
                               "the registered macro posted by its command");
        }
        standin::Run(context, editor, plugin, {'3'});  // c_run.js, through Macro0
        if (context.check.Equal(1, static_cast<long long>(messages.size()), "messages")) {
            context.check.True(!messages[0].posted && messages[0].wParam == 9216, "sent");
            context.check.True(messages[0].macroSlotText == portable.macros + L"\\c_run.js",
                               "the INI's Macro0 lent the true path");
        }
        CheckStoresAsBefore(context, portable);
        // A path of another length: the journal's lists change size.
        standin::Run(context, editor, plugin, {'4'});
        if (context.check.Equal(1, static_cast<long long>(messages.size()), "messages")) {
            context.check.True(
                messages[0].macroSlotText == portable.macros + L"\\d_a longer name.js",
                "the INI's Macro0 lent the longer path");
        }
        CheckStoresAsBefore(context, portable);
    }
    // The same DLL in an editor that keeps its settings in the registry.
    SetEnvironmentVariableW(L"QUORVIN_STANDIN_INI", nullptr);
    StandInEditor editor;
    standin::Run(context, editor, plugin, {VK_ESCAPE});
    context.check.EqualLines({"&1 stale.js #9216 checked", "---", FolderItem(plugin)},
                             DescribeMenu(editor.snapshot().items), "the registry's folder");
}

void AKilledPortableEditorIsRepairedByItsNextStart(Context& context) {
    const Portable portable = SetUpPortable(context);
    Run(context, "DieWhileRunningMacro0", "-", '3');  // c_run.js
    context.check.True(IniMacro0(portable) == portable.macros + L"\\c_run.js",
                       "the INI's Macro0 still lent");
    std::wstring mark;
    context.check.True(
        ReadIniText((portable.ini + L"\\PlugIns.ini").c_str(), L"Quorvin", L"SavedPresence", &mark),
        "the journal in the editor's plug-in INI");
    context.check.EqualBytes(portable.registryBefore, WholeSoftware(),
                             "HKEY_CURRENT_USER\\Software as before");
    Run(context, "OnlyQueryStatus");
    CheckStoresAsBefore(context, portable);
}

void OverlappingLoansOfTwoPortableEditorsLeaveTheIniAsItWas(Context& context) {
    for (const bool firstEndsFirst : {true, false}) {
        std::printf("  the %s loan ends first\n", firstEndsFirst ? "first" : "second");
        const Portable portable = SetUpPortable(context);
        Editor a = Start(context, "LendAndWait", "Local\\QuorvinE2E.A", '3');  // c_run.js
        WaitUntilLent(context, "Local\\QuorvinE2E.A");
        Editor b = Start(context, "LendAndWait", "Local\\QuorvinE2E.B", '4');  // d_a longer name.js
        WaitUntilLent(context, "Local\\QuorvinE2E.B");
        context.check.True(IniMacro0(portable) == portable.macros + L"\\d_a longer name.js",
                           "the INI's Macro0 lent by the second");
        LetEnd(firstEndsFirst ? "Local\\QuorvinE2E.A" : "Local\\QuorvinE2E.B");
        WaitFor(context, firstEndsFirst ? a : b);
        LetEnd(firstEndsFirst ? "Local\\QuorvinE2E.B" : "Local\\QuorvinE2E.A");
        WaitFor(context, firstEndsFirst ? b : a);
        CheckStoresAsBefore(context, portable);
    }
    SetEnvironmentVariableW(L"QUORVIN_STANDIN_INI", nullptr);
}

// The question comes from the Plug-ins dialog, not the editor's frame: the
// repair before it must still reach the editor's own store.
void APortableEditorsUninstallQuestionComesAfterTheRepair(Context& context) {
    const Portable portable = SetUpPortable(context);
    PluginModule plugin(context.dllPath);
    StandInEditor editor;
    Run(context, "DieWhileRunningMacro0", "-", '3');  // c_run.js
    context.check.True(IniMacro0(portable) == portable.macros + L"\\c_run.js",
                       "the INI's Macro0 left lent");
    std::wstring atQuestion;
    AskToUninstall(context, editor, plugin, [&] { atQuestion = IniMacro0(portable); });
    context.check.True(atQuestion == portable.macros + L"\\a_reg.js",
                       "the INI's Macro0 back before the question");
    CheckStoresAsBefore(context, portable);
    SetEnvironmentVariableW(L"QUORVIN_STANDIN_INI", nullptr);
}

// Gives a key an access list; true when it took it.
bool SetKeyAccess(const char* subKey, const char* access) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ConvertStringSecurityDescriptorToSecurityDescriptorA(access, SDDL_REVISION_1, &descriptor,
                                                         nullptr);
    HKEY key = nullptr;
    bool set = false;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, subKey, 0, WRITE_DAC, &key) == ERROR_SUCCESS) {
        set = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor) == ERROR_SUCCESS;
        RegCloseKey(key);
    }
    LocalFree(descriptor);
    return set;
}

// Access lists. Locked: nobody may read or delete the key; only its access
// list may change, so that the test can take the lock away again.
constexpr const char* kLocked = "D:P(A;;WD;;;WD)";
constexpr const char* kOpen = "D:P(A;;KA;;;WD)";
constexpr const char* kReadOnly = "D:P(A;;KR;;;WD)(A;;WD;;;WD)";

// Chooses run.js, not registered: the editor is asked to run it while
// Macro0 holds it.
void LendRunJs(Context& context, StandInEditor& editor, const PluginModule& plugin) {
    standin::Run(context, editor, plugin, {'2'});
    const auto& messages = editor.messages();
    if (context.check.Equal(1, static_cast<long long>(messages.size()), "messages")) {
        context.check.EqualValue(StringValue(context.folder + "\\run.js"), messages[0].macroSlot,
                                 "Macro0 while the editor runs it");
    }
}

void AnUndeletableSubKeyDoesNotStopTheLoans(Context& context) {
    SetUp(context, RegistryValue());
    const RegistryValue mine = StringValue(context.folder + "\\inner.js");
    SetString(kMacrosKey, "Macro0", context.folder + "\\inner.js");
    const std::string locked = std::string(kJournalKey) + "\\Locked";
    MakeKey(locked.c_str());
    context.check.True(SetKeyAccess(locked.c_str(), kLocked), "a sub-key locked");
    context.check.True(RegDeleteTreeA(HKEY_CURRENT_USER, kJournalKey) != ERROR_SUCCESS,
                       "the journal's key cannot be deleted");
    PluginModule plugin(context.dllPath);
    StandInEditor editor;
    const auto& messages = editor.messages();
    for (int run = 1; run <= 2; ++run) {
        std::printf("  run %d\n", run);
        LendRunJs(context, editor, plugin);
        context.check.EqualValue(mine, ReadValue(kMacrosKey, "Macro0"), "Macro0 put back");
        context.check.True(!ReadValue(kJournalKey, "SavedPresence").present &&
                               !ReadValue(kJournalKey, "Lenders").present,
                           "no journal left in the key");
    }
    // The next menu's macro 0 is the user's, and the editor runs it by its number.
    standin::Run(context, editor, plugin, {'1'});
    if (context.check.Equal(1, static_cast<long long>(messages.size()), "messages")) {
        context.check.True(messages[0].posted, "registered macro 0 is posted");
        context.check.EqualValue(mine, messages[0].macroSlot, "the macro the editor runs");
    }
    context.check.True(SetKeyAccess(locked.c_str(), kOpen), "the sub-key unlocked again");
}

// Fails the plug-in's writes of Macro0 while armed, as a full or failing
// registry may: its imports of the two calls that write a value are pointed
// here. Its writes of any other value go through.
bool failMacro0Writes = false;
decltype(&RegSetValueExA) realSetValueA = nullptr;
decltype(&RegSetValueExW) realSetValueW = nullptr;

LONG WINAPI SetValueA(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE* data,
                      DWORD size) {
    if (failMacro0Writes && name && std::strcmp(name, "Macro0") == 0) return ERROR_ACCESS_DENIED;
    return realSetValueA(key, name, reserved, type, data, size);
}

LONG WINAPI SetValueW(HKEY key, LPCWSTR name, DWORD reserved, DWORD type, const BYTE* data,
                      DWORD size) {
    if (failMacro0Writes && name && std::wcscmp(name, L"Macro0") == 0) return ERROR_ACCESS_DENIED;
    return realSetValueW(key, name, reserved, type, data, size);
}

// Points the module's import of dll!function at the replacement; true when found.
bool PatchImport(HMODULE module, const char* dll, const char* function, void* replacement) {
    auto* base = reinterpret_cast<BYTE*>(module);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    bool patched = false;
    for (auto* entry = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         entry->Name != 0; ++entry) {
        if (_stricmp(reinterpret_cast<const char*>(base + entry->Name), dll) != 0) continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            const auto* byName =
                reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) != 0) continue;
            DWORD protection = 0;
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE,
                           &protection);
            slots->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, protection, &protection);
            patched = true;
        }
    }
    return patched;
}

// A journal kept for a retry is the only record of the user's value: a lend
// that cannot write Macro0 leaves it, and it is repaired once it can. First
// the Macros key is read-only, then only the writes of Macro0 fail.
void AKeptJournalOutlivesALendThatCannotWrite(Context& context) {
    SetUp(context, kSlotCases[0].before);
    Run(context, "DieWhileRunningMacro0", "-", '2');  // run.js
    PluginModule plugin(context.dllPath);
    realSetValueA = RegSetValueExA;
    realSetValueW = RegSetValueExW;
    context.check.True(PatchImport(plugin.handle(), "advapi32.dll", "RegSetValueExA",
                                   reinterpret_cast<void*>(&SetValueA)) &&
                           PatchImport(plugin.handle(), "advapi32.dll", "RegSetValueExW",
                                       reinterpret_cast<void*>(&SetValueW)),
                       "the plug-in's registry writes can be failed");
    StandInEditor editor;
    for (const bool readOnly : {true, false}) {
        std::printf("  %s\n", readOnly ? "Macros read-only" : "Macro0's writes fail");
        if (readOnly) context.check.True(SetKeyAccess(kMacrosKey, kReadOnly), "Macros read-only");
        failMacro0Writes = !readOnly;
        standin::Run(context, editor, plugin, {'1'});  // inner.js, not registered
        failMacro0Writes = false;
        if (readOnly) context.check.True(SetKeyAccess(kMacrosKey, kOpen), "Macros writable");
        context.check.Equal(0, static_cast<long long>(editor.messages().size()), "nothing run");
        context.check.True(ReadValue(kJournalKey, "SavedPresence").present, "the journal kept");
        context.check.EqualValue(StringValue(context.folder + "\\run.js"),
                                 ReadValue(kMacrosKey, "Macro0"), "Macro0 still lent");
    }
    Run(context, "OnlyQueryStatus");
    context.check.EqualValue(kSlotCases[0].before, ReadStoredValue(kMacrosKey, "Macro0"),
                             "Macro0 put back");
    context.check.True(NoJournalLeft(), "no journal left");
}

// A sub-key that a registry import, a backup tool or a hand left under the
// journal's key: the key cannot go with RegDeleteKey, and must not wedge loans.
void AForeignSubKeyDoesNotStopTheLoans(Context& context) {
    SetUp(context, kSlotCases[0].before);
    const std::string software = SoftwareOutsideTheEditor();
    MakeKey((std::string(kJournalKey) + "\\Backup").c_str());
    PluginModule plugin(context.dllPath);
    StandInEditor editor;
    for (int run = 1; run <= 2; ++run) {
        std::printf("  run %d\n", run);
        LendRunJs(context, editor, plugin);
        CheckPutBack(context, kSlotCases[0].before, software);
    }
}

const TestEntry kTests[] = {
    E2E_TEST(AKilledEditorsLoanIsRepairedByTheNextOne, default),
    E2E_TEST(AMacro0ChangedSinceIsLeftAlone, default),
    E2E_TEST(ADeathInTheNestedRunGivesBackTheOriginal, default),
    E2E_TEST(ALoanRunningElsewhereIsNotDisturbed, default),
    E2E_TEST(OverlappingLoansOfTwoEditorsLeaveTheUsersValue, default),
    E2E_TEST(ANestedMenuDuringALoanShowsTheUsersMacro, default),
    E2E_TEST(AMenuDuringAnotherEditorsLoanRunsTheMacroChosen, default),
    E2E_TEST(TheUninstallQuestionComesAfterTheRepair, default),
    E2E_TEST(APortableEditorReadsAndLendsThroughItsOwnStore, default),
    E2E_TEST(AKilledPortableEditorIsRepairedByItsNextStart, default),
    E2E_TEST(OverlappingLoansOfTwoPortableEditorsLeaveTheIniAsItWas, default),
    E2E_TEST(APortableEditorsUninstallQuestionComesAfterTheRepair, default),
    E2E_TEST(AForeignSubKeyDoesNotStopTheLoans, default),
    E2E_TEST(AnUndeletableSubKeyDoesNotStopTheLoans, default),
    E2E_TEST(AKeptJournalOutlivesALendThatCannotWrite, default),
};

}  // namespace

int main(int argc, char** argv) {
    if (argc == 5) {
        for (const Role& role : kRoles) {
            if (std::strcmp(role.name, argv[2]) != 0) continue;
            PluginModule plugin(argv[1]);
            role.run(plugin, argv[3], static_cast<WORD>(argv[4][0]));
            return 0;
        }
    }
    return RunTestByName(argc, argv, kTests);
}
