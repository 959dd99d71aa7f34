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
//
// Asked 2106/320, the language of its interface, it answers the LANGID that
// QUORVIN_STANDIN_LANGUAGE names (0x0409, say), or 0, as an editor before
// 8.00, when it names none.
namespace standin {

constexpr const char* kIniFolderVariable = "QUORVIN_STANDIN_INI";
constexpr const char* kLanguageVariable = "QUORVIN_STANDIN_LANGUAGE";

// The editor's published rules for 2133 and 2134 hold: a call that breaks
// one is refused with 87 and recorded in this file, by whichever stand-in
// editor refused it; every test expects none.
constexpr const char* kRefusalsFile = "C:\\quorvin-e2e\\refused.txt";
void RecordRefusal(const std::string& what);
// What was refused, a line each; empty when nothing was.
std::string Refusals();

// Empty when the settings are in the registry.
std::wstring IniFolder();
// The LANGID it answers; 0 when it names none.
LANGID EditorLanguage();
// Handles the three messages and the language question; false for any other.
bool AnswerSettingsMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);

// A value of the editor's INI files as text; false when absent.
bool ReadIniText(const wchar_t* file, const wchar_t* section, const wchar_t* name,
                 std::wstring* text);
// Writes a whole INI file, UTF-16 with its byte-order mark.
void WriteIniFile(const std::wstring& path, const std::wstring& text);
// Every section, key and value of both INI files, one per line. The values
// the plug-in keeps for itself (the macro run last, the editor's language)
// are left out, and so is a section that held nothing else.
std::wstring DumpIniFiles(const std::wstring& folder);

// The values the plug-in keeps beside its journal, which outlive every loan.
bool IsPlugInValue(const char* name);
bool IsPlugInValue(const wchar_t* name);

}  // namespace standin
