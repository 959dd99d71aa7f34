#include "EndToEnd.h"

#include <cstdio>
#include <cstring>

#include "SettingsStore.h"

namespace standin {

namespace {
constexpr const char* kTestsRoot = "C:\\quorvin-e2e\\";
}

int RunTestByName(int argc, char** argv, const TestEntry* tests, std::size_t count) {
    if (argc != 3) {
        std::printf("usage: %s <plug-in DLL> <test name>\n", argv[0]);
        return 2;
    }
    for (const TestEntry* test = tests; test != tests + count; ++test) {
        if (std::strcmp(test->name, argv[2]) != 0) continue;
        Context context{argv[1], kTestsRoot + std::string(test->name), Checker(test->name)};
        MakeFolder(context.folder);
        DeleteFileA(kRefusalsFile);
        test->run(context);
        ResetEditorSettings();
        // Every stand-in editor of the test, in this process or another.
        context.check.EqualBytes("", Refusals(), "settings calls the editor's rules refuse");
        std::printf("%s %s\n", context.check.failures() ? "FAILED" : "PASSED", test->name);
        return context.check.failures() ? 1 : 0;
    }
    std::printf("no test named %s\n", argv[2]);
    return 2;
}

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

RegistryValue StringValue(const std::string& text, DWORD type) {
    return Value(type, text + std::string(1, '\0'));
}

void SetMacroFolder(const std::string& folder) { SetString(kCommonKey, "MacroFolder", folder); }

}  // namespace standin
