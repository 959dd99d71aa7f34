#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "Sandbox.h"
#include "StandInEditor.h"

// What every end-to-end test program shares: a test's context, the steps
// that drive one command, and the entry point that runs a test by name.
namespace standin {

using Lines = std::vector<std::string>;

constexpr UINT kRunCommand = 2070;
constexpr UINT kNoMacroFolder = 2085;
constexpr UINT kLoadFile = 2096;
constexpr UINT kSetStatusText = 2104;

struct Context {
    const char* dllPath;
    std::string folder;  // this test's own macro folder, made empty
    Checker check;
};

struct TestEntry {
    const char* name;
    void (*run)(Context&);
};

// The runner reads the test tables to learn the tests and how to run them:
// E2E_TEST(name, locale), locale "ja" runs under code page 932.
#define E2E_TEST(name, locale) \
    { #name, name }

// Usage: <program> <plug-in DLL> <test name>
template <std::size_t count>
int RunTestByName(int argc, char** argv, const TestEntry (&tests)[count]) {
    return RunTestByName(argc, argv, tests, count);
}
int RunTestByName(int argc, char** argv, const TestEntry* tests, std::size_t count);

// A text of the plug-in's string table in the system code page, as the host loads it.
std::string LoadText(const PluginModule& plugin, UINT id);
// The folder item as DescribeMenu shows it with its accelerator O.
std::string FolderItem(const PluginModule& plugin);

// Shows the menu, plays the keys and checks that the command cleaned up.
void Run(Context& context, StandInEditor& editor, const PluginModule& plugin,
         const std::vector<WORD>& keys);
void CheckMenusDestroyed(Context& context, const StandInEditor& editor);

RegistryValue Value(DWORD type, const std::string& bytes);
RegistryValue StringValue(const std::string& text, DWORD type = REG_SZ);
void SetMacroFolder(const std::string& folder);

}  // namespace standin
