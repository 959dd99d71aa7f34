// The loan of Macro0 across real processes under Wine: an editor that dies
// while the lent macro runs, the next process that repairs it, and loans of
// two editors that overlap. The test starts this program again for each
// editor it needs, in one of the roles below.
//
// Usage: quorvin_loans.exe <plug-in DLL> <test name>
//        quorvin_loans.exe <plug-in DLL> <role> [event] [key]

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "EndToEnd.h"

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
    BOOL checked = FALSE;
    plugin.ExportAs<QueryStatusFunction>("QueryStatus")(nullptr, &checked);
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

// HKEY_CURRENT_USER\Software outside the editor's keys, one line per value.
void Dump(HKEY parent, const std::string& path, std::string& out) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(parent, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    out += path + "\n";
    for (DWORD i = 0;; ++i) {
        char name[512];
        DWORD nameSize = sizeof name, type = 0, size = 0;
        if (RegEnumValueA(key, i, name, &nameSize, nullptr, &type, nullptr, &size) !=
            ERROR_SUCCESS) {
            break;
        }
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
        if (path == "Software" && std::strcmp(name, "EmSoft") == 0) continue;
        Dump(parent, path + "\\" + name, out);
    }
    RegCloseKey(key);
}

std::string SoftwareOutsideTheEditor() {
    std::string out;
    Dump(HKEY_CURRENT_USER, "Software", out);
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
    context.check.True(!KeyExists(kJournalKey), "no journal left");
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
        context.check.True(KeyExists(kJournalKey), "the journal outlived the editor");
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
    context.check.True(!KeyExists(kJournalKey), "no journal left");
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
    context.check.True(KeyExists(kJournalKey), "the journal of a loan in flight");
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

void ANestedMenuDuringALoanShowsTheUsersMacro(Context& context) {
    ResetEditorSettings();
    MakeFile(context.folder + "\\mine.js");
    MakeFile(context.folder + "\\run.js");
    SetMacroFolder(context.folder);
    SetString(kMacrosKey, "Macro0", context.folder + "\\mine.js");
    PluginModule plugin(context.dllPath);
    StandInEditor editor;
    Lines nested;
    editor.onHostMessage = [&](const HostMessage& message) {
        if (message.posted || !nested.empty()) return;
        editor.PlayKeys({VK_ESCAPE});
        editor.RunCommand(plugin);
        nested = DescribeMenu(editor.snapshot().items);
    };
    standin::Run(context, editor, plugin, {'2'});  // run.js, not registered
    context.check.EqualLines(
        {"&1 mine.js #9216 checked", "&2 run.js #1", "---", FolderItem(plugin)}, nested,
        "the menu opened while run.js runs");
    context.check.EqualValue(StringValue(context.folder + "\\mine.js"),
                             ReadValue(kMacrosKey, "Macro0"), "Macro0 put back");
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
        standin::Run(context, editor, plugin, {'2'});  // run.js, not registered
        const auto& messages = editor.messages();
        if (context.check.Equal(1, static_cast<long long>(messages.size()), "messages")) {
            context.check.EqualValue(StringValue(context.folder + "\\run.js"),
                                     messages[0].macroSlot, "Macro0 while the editor runs it");
        }
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
    E2E_TEST(AForeignSubKeyDoesNotStopTheLoans, default),
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
