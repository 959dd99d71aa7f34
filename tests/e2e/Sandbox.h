#pragma once

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "StandInEditor.h"

// The test's own corner of the real system: the editor's settings key and a
// folder tree, both made fresh by each test.
namespace standin {

constexpr const char* kEditorKey = "Software\\EmSoft\\EmEditor v3";
constexpr const char* kCommonKey = "Software\\EmSoft\\EmEditor v3\\Common";
constexpr const char* kMacrosKey = "Software\\EmSoft\\EmEditor v3\\Macros";

void ResetEditorSettings();
void MakeKey(const char* subKey);
bool KeyExists(const char* subKey);
void SetValue(const char* subKey, const char* name, DWORD type, const std::string& bytes);
// A string as the editor stores it, terminator included.
void SetString(const char* subKey, const char* name, const std::string& text, DWORD type = REG_SZ);
void SetDword(const char* subKey, const char* name, DWORD value);
RegistryValue ReadValue(const char* subKey, const char* name);
// The value's bytes exactly as stored (strings in UTF-16, unconverted).
RegistryValue ReadStoredValue(const char* subKey, const char* name);
// A stored string's text, up to its first terminator.
std::wstring StoredText(const char* subKey, const char* name);
void SetStoredValue(const char* subKey, const char* name, DWORD type, const std::string& bytes);
// A string by its true text, terminator included, as a Unicode editor writes it.
void SetWideString(const char* subKey, const char* name, const std::wstring& text);

void MakeFolder(const std::string& path);
void MakeFile(const std::string& path, const std::string& content = "// macro\r\n");
// The same by UTF-16 names, which the code page need not hold.
void MakeFile(const std::wstring& path);
std::wstring Widen(const std::string& text);

std::string Hex(const std::string& bytes);

// Failures are counted and printed; a test goes on after one so that it says
// everything it saw.
class Checker {
  public:
    explicit Checker(const char* test) : test_(test) {}
    int failures() const { return failures_; }

    bool True(bool condition, const char* what);
    bool Equal(long long expected, long long actual, const char* what);
    bool EqualBytes(const std::string& expected, const std::string& actual, const char* what);
    bool EqualLines(const std::vector<std::string>& expected,
                    const std::vector<std::string>& actual, const char* what);
    bool EqualValue(const RegistryValue& expected, const RegistryValue& actual, const char* what);

  private:
    bool Fail(const char* what, const std::string& detail);

    const char* test_;
    int failures_ = 0;
};

}  // namespace standin
