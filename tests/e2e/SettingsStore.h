#pragma once

#include <windows.h>

#include <string>

// Where the stand-in editor keeps its settings, and its answers to the
// plug-in's settings messages: 2106/319 (does it keep them in INI files?),
// 2134 (read a value) and 2133 (write or remove one), as the editor's
// published plug-in interface has them.
//
// By default the registry, as an installed editor: the answer is 0, and the
// two messages are served from HKEY_CURRENT_USER\Software\EmSoft. When the
// environment variable QUORVIN_STANDIN_INI names a folder, INI files there,
// as a portable editor: EmEditor.ini ([Common], [Macros]) and PlugIns.ini (a
// section per plug-in), in UTF-16 with a byte-order mark, so that any path
// survives. The editors a test starts inherit the variable.
namespace standin {

constexpr const char* kIniFolderVariable = "QUORVIN_STANDIN_INI";

// Empty when the settings are in the registry.
std::wstring IniFolder();
// Handles the three messages; false for any other.
bool AnswerSettingsMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);

// A value of the editor's INI files as text; false when absent.
bool ReadIniText(const wchar_t* file, const wchar_t* section, const wchar_t* name,
                 std::wstring* text);
// Writes a whole INI file, UTF-16 with its byte-order mark.
void WriteIniFile(const std::wstring& path, const std::wstring& text);
// Every section, key and value of both INI files, one per line.
std::wstring DumpIniFiles(const std::wstring& folder);

}  // namespace standin
