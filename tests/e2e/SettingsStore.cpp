#include "SettingsStore.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <vector>

#include "Sandbox.h"

namespace standin {

namespace {

constexpr UINT kInfo = 2106;
constexpr WPARAM kInfoUsesIni = 319;
constexpr WPARAM kInfoGetLanguage = 320;
constexpr std::size_t kLanguageFolderUnits = 260;
constexpr UINT kSetValue = 2133;
constexpr UINT kQueryValue = 2134;
constexpr DWORD kCommon = 0x7FFFFF00;
constexpr DWORD kMacros = 0x7FFFFF02;
constexpr DWORD kVariableSize = 1;  // EE_REG_VARIABLE_SIZE

struct QueryRecord {
    size_t cbSize;
    DWORD dwKey;
    LPCWSTR pszConfig;
    LPCWSTR pszValue;
    DWORD dwType;
    BYTE* lpData;
    DWORD* lpcbData;
    DWORD dwFlags;
};
struct SetRecord {
    size_t cbSize;
    DWORD dwKey;
    LPCWSTR pszConfig;
    LPCWSTR pszValue;
    DWORD dwType;
    const BYTE* lpData;
    DWORD cbData;
    DWORD dwFlags;
};

// Where a key of the interface lives: an INI file and section, or a registry key.
struct Place {
    std::wstring file;
    std::wstring section;
    std::wstring key;
};

Place PlaceOf(DWORD key, LPCWSTR config) {
    const std::wstring folder = IniFolder();
    if (key == kCommon || key == kMacros) {
        const wchar_t* section = key == kCommon ? L"Common" : L"Macros";
        return Place{folder + L"\\EmEditor.ini", section,
                     std::wstring(L"Software\\EmSoft\\EmEditor v3\\") + section};
    }
    const std::wstring name = config ? config : L"";
    return Place{folder + L"\\PlugIns.ini", name, L"Software\\EmSoft\\EmEditorPlugIns\\" + name};
}

// A value as the interface hands it over: its bytes for the type asked.
LONG Encode(const std::wstring& text, DWORD type, std::vector<BYTE>* bytes) {
    if (type == REG_SZ) {
        const auto* begin = reinterpret_cast<const BYTE*>(text.c_str());
        bytes->assign(begin, begin + (text.size() + 1) * sizeof(wchar_t));
        return ERROR_SUCCESS;
    }
    if (type == REG_DWORD) {
        wchar_t* end = nullptr;
        const long number = std::wcstol(text.c_str(), &end, 10);
        if (text.empty() || *end != L'\0') return ERROR_INVALID_DATA;
        const DWORD value = static_cast<DWORD>(number);
        const auto* begin = reinterpret_cast<const BYTE*>(&value);
        bytes->assign(begin, begin + sizeof value);
        return ERROR_SUCCESS;
    }
    if (type == REG_BINARY && text.size() % 2 == 0) {
        bytes->clear();
        for (std::size_t i = 0; i < text.size(); i += 2) {
            unsigned byte = 0;
            if (std::swscanf(text.substr(i, 2).c_str(), L"%2x", &byte) != 1) {
                return ERROR_INVALID_DATA;
            }
            bytes->push_back(static_cast<BYTE>(byte));
        }
        return ERROR_SUCCESS;
    }
    return ERROR_INVALID_DATA;
}

std::wstring Decode(const BYTE* data, DWORD size, DWORD type) {
    if (type == REG_SZ) {
        std::wstring text(reinterpret_cast<const wchar_t*>(data), size / sizeof(wchar_t));
        return text.substr(0, text.find(L'\0'));
    }
    if (type == REG_DWORD && size == sizeof(DWORD)) {
        DWORD value = 0;
        std::memcpy(&value, data, sizeof value);
        return std::to_wstring(value);
    }
    std::wstring hex;
    wchar_t digits[3];
    for (DWORD i = 0; i < size; ++i) {
        std::swprintf(digits, 3, L"%02X", data[i]);
        hex += digits;
    }
    return hex;
}

LONG HandOver(const std::vector<BYTE>& bytes, BYTE* data, DWORD* size) {
    const DWORD needed = static_cast<DWORD>(bytes.size());
    if (data != nullptr && *size < needed) {
        *size = needed;
        return ERROR_MORE_DATA;
    }
    if (data != nullptr) std::memcpy(data, bytes.data(), needed);
    *size = needed;
    return ERROR_SUCCESS;
}

LONG QueryIni(const QueryRecord& query) {
    const Place place = PlaceOf(query.dwKey, query.pszConfig);
    std::wstring text;
    if (!ReadIniText(place.file.c_str(), place.section.c_str(), query.pszValue, &text)) {
        return ERROR_FILE_NOT_FOUND;
    }
    std::vector<BYTE> bytes;
    const LONG status = Encode(text, query.dwType, &bytes);
    return status == ERROR_SUCCESS ? HandOver(bytes, query.lpData, query.lpcbData) : status;
}

LONG SetIni(const SetRecord& write) {
    const Place place = PlaceOf(write.dwKey, write.pszConfig);
    const wchar_t* file = place.file.c_str();
    std::wstring text;
    if (write.lpData == nullptr) {
        // A section goes even when no key is left in it.
        if (write.pszValue != nullptr &&
            !ReadIniText(file, place.section.c_str(), write.pszValue, &text)) {
            return ERROR_FILE_NOT_FOUND;
        }
        return WritePrivateProfileStringW(place.section.c_str(), write.pszValue, nullptr, file)
                   ? ERROR_SUCCESS
                   : ERROR_ACCESS_DENIED;
    }
    text = Decode(write.lpData, write.cbData, write.dwType);
    return WritePrivateProfileStringW(place.section.c_str(), write.pszValue, text.c_str(), file)
               ? ERROR_SUCCESS
               : ERROR_ACCESS_DENIED;
}

LONG QueryRegistry(const QueryRecord& query) {
    const Place place = PlaceOf(query.dwKey, query.pszConfig);
    HKEY key = nullptr;
    LONG status = RegOpenKeyExW(HKEY_CURRENT_USER, place.key.c_str(), 0, KEY_READ, &key);
    if (status != ERROR_SUCCESS) return status;
    DWORD type = 0;
    status = RegQueryValueExW(key, query.pszValue, nullptr, &type, query.lpData, query.lpcbData);
    RegCloseKey(key);
    if ((status == ERROR_SUCCESS || status == ERROR_MORE_DATA) && type != query.dwType) {
        return ERROR_INVALID_DATA;
    }
    return status;
}

LONG SetRegistry(const SetRecord& write) {
    const Place place = PlaceOf(write.dwKey, write.pszConfig);
    if (write.lpData == nullptr && write.pszValue == nullptr) {
        return RegDeleteTreeW(HKEY_CURRENT_USER, place.key.c_str());
    }
    HKEY key = nullptr;
    LONG status = RegCreateKeyExW(HKEY_CURRENT_USER, place.key.c_str(), 0, nullptr, 0,
                                  KEY_READ | KEY_WRITE, nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS) return status;
    status = write.lpData == nullptr
                 ? RegDeleteValueW(key, write.pszValue)
                 : RegSetValueExW(key, write.pszValue, 0, write.dwType, write.lpData, write.cbData);
    RegCloseKey(key);
    return status;
}

// The size of a value as stored, or -1 when there is none.
long long StoredSize(const SetRecord& write, bool ini) {
    QueryRecord query = {};
    query.cbSize = sizeof query;
    query.dwKey = write.dwKey;
    query.pszConfig = write.pszConfig;
    query.pszValue = write.pszValue;
    query.dwType = write.dwType;
    std::vector<BYTE> buffer(1 << 20);
    DWORD size = static_cast<DWORD>(buffer.size());
    query.lpData = buffer.data();
    query.lpcbData = &size;
    const LONG status = ini ? QueryIni(query) : QueryRegistry(query);
    return status == ERROR_SUCCESS || status == ERROR_MORE_DATA ? static_cast<long long>(size) : -1;
}

// The editor's published rules for the two messages; empty when the call
// keeps them, else what it broke.
std::string BrokenRule(UINT message, LPARAM lParam, bool ini) {
    if (message == kQueryValue) {
        const auto* query = reinterpret_cast<const QueryRecord*>(lParam);
        if (query->dwFlags != 0) return "2134 with flags";
        if (query->lpData == nullptr && query->dwType != REG_BINARY) {
            return "2134 without a buffer for data that is not binary";
        }
        return std::string();
    }
    const auto* write = reinterpret_cast<const SetRecord*>(lParam);
    if ((write->dwFlags & ~kVariableSize) != 0) return "2133 with unknown flags";
    const bool variable = (write->dwFlags & kVariableSize) != 0;
    if (variable && write->dwType != REG_BINARY) return "2133 with the flag on data not binary";
    if (write->lpData != nullptr && write->pszValue != nullptr && write->dwType == REG_BINARY &&
        !variable) {
        const long long stored = StoredSize(*write, ini);
        if (stored >= 0 && stored != write->cbData) {
            return "2133 of a binary that changes size, without the flag";
        }
    }
    return std::string();
}

}  // namespace

void RecordRefusal(const std::string& what) {
    // Printed too, for a run that keeps no file of them: the window demo.
    std::printf("Refused by the editor's rules: %s\n", what.c_str());
    std::fflush(stdout);
    const HANDLE file =
        CreateFileA(kRefusalsFile, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    const std::string line = what + "\r\n";
    DWORD written = 0;
    WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(file);
}

std::string Refusals() {
    const HANDLE file = CreateFileA(kRefusalsFile, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::string();
    std::string text(65536, '\0');
    DWORD read = 0;
    ReadFile(file, &text[0], static_cast<DWORD>(text.size()), &read, nullptr);
    CloseHandle(file);
    text.resize(read);
    return text;
}

std::wstring IniFolder() {
    wchar_t folder[MAX_PATH] = {};
    const DWORD length =
        GetEnvironmentVariableW(L"QUORVIN_STANDIN_INI", folder, static_cast<DWORD>(MAX_PATH));
    return length > 0 && length < MAX_PATH ? std::wstring(folder, length) : std::wstring();
}

LANGID EditorLanguage() {
    char text[16] = {};
    const DWORD length = GetEnvironmentVariableA(kLanguageVariable, text, sizeof text);
    return length > 0 && length < sizeof text ? static_cast<LANGID>(std::strtoul(text, nullptr, 0))
                                              : 0;
}

bool AnswerSettingsMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    const bool ini = !IniFolder().empty();
    if (message == kInfo && wParam == kInfoGetLanguage) {
        *result = 0;
        if (lParam == 0) {
            RecordRefusal("2106/320 without a buffer for the language folder");
            return true;
        }
        // The folder, and the buffer filled to its end, as the question allows.
        auto* folder = reinterpret_cast<wchar_t*>(lParam);
        const std::wstring name = L"C:\\Program Files\\EmEditor\\Languages";
        std::fill(folder, folder + kLanguageFolderUnits, L'\0');
        std::copy(name.begin(), name.end(), folder);
        *result = EditorLanguage();
        return true;
    }
    if (message == kInfo) {
        *result = wParam == kInfoUsesIni && ini ? 1 : 0;
        return true;
    }
    if (message != kQueryValue && message != kSetValue) return false;
    // Both records start with their size.
    const std::string broken =
        *reinterpret_cast<const size_t*>(lParam) !=
                (message == kQueryValue ? sizeof(QueryRecord) : sizeof(SetRecord))
            ? "a record of the wrong size"
            : BrokenRule(message, lParam, ini);
    if (!broken.empty()) {
        RecordRefusal(broken);
        *result = ERROR_INVALID_PARAMETER;
    } else if (message == kQueryValue) {
        const auto& query = *reinterpret_cast<const QueryRecord*>(lParam);
        *result = ini ? QueryIni(query) : QueryRegistry(query);
    } else {
        const auto& write = *reinterpret_cast<const SetRecord*>(lParam);
        *result = ini ? SetIni(write) : SetRegistry(write);
    }
    return true;
}

bool ReadIniText(const wchar_t* file, const wchar_t* section, const wchar_t* name,
                 std::wstring* text) {
    // A default no value can hold tells an absent value from an empty one.
    static const wchar_t kAbsent[] = L"\x01";
    std::vector<wchar_t> buffer(32768);
    const DWORD length = GetPrivateProfileStringW(section, name, kAbsent, buffer.data(),
                                                  static_cast<DWORD>(buffer.size()), file);
    text->assign(buffer.data(), length);
    return *text != kAbsent;
}

void WriteIniFile(const std::wstring& path, const std::wstring& text) {
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        std::printf("  could not write an INI file\n");
        return;
    }
    const std::wstring content = L"\xFEFF" + text;
    DWORD written = 0;
    WriteFile(file, content.data(), static_cast<DWORD>(content.size() * sizeof(wchar_t)), &written,
              nullptr);
    CloseHandle(file);
}

bool IsPlugInValue(const wchar_t* name) {
    return _wcsicmp(name, L"LastMacro") == 0 || _wcsicmp(name, L"EditorLanguage") == 0;
}

bool IsPlugInValue(const char* name) { return IsPlugInValue(Widen(name).c_str()); }

std::wstring DumpIniFiles(const std::wstring& folder) {
    std::wstring dump;
    for (const wchar_t* name : {L"EmEditor.ini", L"PlugIns.ini"}) {
        const std::wstring file = folder + L"\\" + name;
        std::vector<wchar_t> sections(65536);
        const DWORD length = GetPrivateProfileSectionNamesW(
            sections.data(), static_cast<DWORD>(sections.size()), file.c_str());
        for (const wchar_t* section = sections.data();
             section < sections.data() + length && *section; section += std::wcslen(section) + 1) {
            std::vector<wchar_t> keys(65536);
            const DWORD size = GetPrivateProfileSectionW(
                section, keys.data(), static_cast<DWORD>(keys.size()), file.c_str());
            std::wstring lines;
            bool leftOut = false;
            for (const wchar_t* line = keys.data(); line < keys.data() + size && *line;
                 line += std::wcslen(line) + 1) {
                const std::wstring key(line, std::wcscspn(line, L"="));
                if (IsPlugInValue(key.c_str())) {
                    leftOut = true;
                    continue;
                }
                lines += std::wstring(L"  ") + line + L"\n";
            }
            if (leftOut && lines.empty()) continue;
            dump += std::wstring(name) + L" [" + section + L"]\n" + lines;
        }
    }
    return dump;
}

}  // namespace standin
