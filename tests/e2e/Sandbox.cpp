#include "Sandbox.h"

namespace standin {

namespace {

HKEY CreateKey(const char* subKey) {
    HKEY key = nullptr;
    RegCreateKeyExA(HKEY_CURRENT_USER, subKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                    nullptr);
    return key;
}

}  // namespace

// The plug-in's journal too: what one test leaves must not steer the next.
void ResetEditorSettings() {
    RegDeleteTreeA(HKEY_CURRENT_USER, kEditorKey);
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Quorvin");
}

void MakeKey(const char* subKey) { RegCloseKey(CreateKey(subKey)); }

bool KeyExists(const char* subKey) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, subKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

void SetValue(const char* subKey, const char* name, DWORD type, const std::string& bytes) {
    HKEY key = CreateKey(subKey);
    RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                   static_cast<DWORD>(bytes.size()));
    RegCloseKey(key);
}

void SetString(const char* subKey, const char* name, const std::string& text, DWORD type) {
    SetValue(subKey, name, type, text + std::string(1, '\0'));
}

void SetDword(const char* subKey, const char* name, DWORD value) {
    SetValue(subKey, name, REG_DWORD, std::string(reinterpret_cast<const char*>(&value), 4));
}

RegistryValue ReadValue(const char* subKey, const char* name) {
    RegistryValue value;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, subKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return value;
    }
    DWORD size = 0;
    if (RegQueryValueExA(key, name, nullptr, &value.type, nullptr, &size) == ERROR_SUCCESS) {
        std::vector<char> bytes(size + 1);
        if (RegQueryValueExA(key, name, nullptr, &value.type, reinterpret_cast<BYTE*>(bytes.data()),
                             &size) == ERROR_SUCCESS) {
            value.present = true;
            value.bytes.assign(bytes.data(), size);
        }
    }
    RegCloseKey(key);
    return value;
}

namespace {

std::wstring Wide(const char* text) {
    std::wstring wide(MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, &wide[0], static_cast<int>(wide.size()));
    return wide;
}

}  // namespace

std::wstring Widen(const std::string& text) {
    std::wstring wide = Wide(text.c_str());
    wide.resize(wide.size() - 1);
    return wide;
}

RegistryValue ReadStoredValue(const char* subKey, const char* name) {
    RegistryValue value;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, Wide(subKey).c_str(), 0, KEY_READ, &key) !=
        ERROR_SUCCESS) {
        return value;
    }
    const std::wstring wideName = Wide(name);
    DWORD size = 0;
    if (RegQueryValueExW(key, wideName.c_str(), nullptr, &value.type, nullptr, &size) ==
        ERROR_SUCCESS) {
        std::vector<char> bytes(size + 2);
        if (RegQueryValueExW(key, wideName.c_str(), nullptr, &value.type,
                             reinterpret_cast<BYTE*>(bytes.data()), &size) == ERROR_SUCCESS) {
            value.present = true;
            value.bytes.assign(bytes.data(), size);
        }
    }
    RegCloseKey(key);
    return value;
}

std::wstring StoredText(const char* subKey, const char* name) {
    const RegistryValue value = ReadStoredValue(subKey, name);
    std::wstring text(reinterpret_cast<const wchar_t*>(value.bytes.data()),
                      value.bytes.size() / sizeof(wchar_t));
    return text.substr(0, text.find(L'\0'));
}

void SetStoredValue(const char* subKey, const char* name, DWORD type, const std::string& bytes) {
    HKEY key = CreateKey(subKey);
    RegSetValueExW(key, Wide(name).c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                   static_cast<DWORD>(bytes.size()));
    RegCloseKey(key);
}

void SetWideString(const char* subKey, const char* name, const std::wstring& text) {
    SetStoredValue(subKey, name, REG_SZ,
                   std::string(reinterpret_cast<const char*>(text.c_str()),
                               (text.size() + 1) * sizeof(wchar_t)));
}

void MakeFolder(const std::string& path) {
    for (std::size_t i = 3; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == '\\') {
            CreateDirectoryA(path.substr(0, i).c_str(), nullptr);
        }
    }
}

void MakeFile(const std::string& path, const std::string& content) {
    MakeFolder(path.substr(0, path.find_last_of('\\')));
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        std::printf("  could not create %s\n", path.c_str());
        return;
    }
    DWORD written = 0;
    WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    CloseHandle(file);
}

void MakeFile(const std::wstring& path) {
    for (std::size_t i = 3; i < path.size(); ++i) {
        if (path[i] == L'\\') CreateDirectoryW(path.substr(0, i).c_str(), nullptr);
    }
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        std::printf("  could not create a file by its UTF-16 name\n");
        return;
    }
    CloseHandle(file);
}

std::string Hex(const std::string& bytes) {
    std::string hex;
    char digits[4];
    for (unsigned char byte : bytes) {
        std::snprintf(digits, sizeof digits, "%02X ", byte);
        hex += digits;
    }
    if (!hex.empty()) hex.pop_back();
    return hex;
}

bool Checker::Fail(const char* what, const std::string& detail) {
    ++failures_;
    std::printf("FAIL %s: %s\n%s\n", test_, what, detail.c_str());
    std::fflush(stdout);
    return false;
}

bool Checker::True(bool condition, const char* what) {
    return condition || Fail(what, "  expected true, got false");
}

bool Checker::Equal(long long expected, long long actual, const char* what) {
    if (expected == actual) return true;
    return Fail(what, "  expected " + std::to_string(expected) + ", got " + std::to_string(actual));
}

bool Checker::EqualBytes(const std::string& expected, const std::string& actual, const char* what) {
    if (expected == actual) return true;
    return Fail(what, "  expected [" + Hex(expected) + "] \"" + expected + "\"\n  got      [" +
                          Hex(actual) + "] \"" + actual + "\"");
}

bool Checker::EqualLines(const std::vector<std::string>& expected,
                         const std::vector<std::string>& actual, const char* what) {
    if (expected == actual) return true;
    std::string detail;
    const std::size_t lines = expected.size() > actual.size() ? expected.size() : actual.size();
    for (std::size_t i = 0; i < lines; ++i) {
        const std::string want = i < expected.size() ? expected[i] : "(nothing)";
        const std::string got = i < actual.size() ? actual[i] : "(nothing)";
        if (want == got) {
            detail += "    " + got + "\n";
        } else {
            detail += "  - " + want + "   [" + Hex(want) + "]\n";
            detail += "  + " + got + "   [" + Hex(got) + "]\n";
        }
    }
    return Fail(what, detail);
}

bool Checker::EqualValue(const RegistryValue& expected, const RegistryValue& actual,
                         const char* what) {
    const auto describe = [](const RegistryValue& value) {
        if (!value.present) return std::string("absent");
        return "type " + std::to_string(value.type) + " [" + Hex(value.bytes) + "]";
    };
    if (expected.present == actual.present &&
        (!expected.present || (expected.type == actual.type && expected.bytes == actual.bytes))) {
        return true;
    }
    return Fail(what, "  expected " + describe(expected) + "\n  got      " + describe(actual));
}

}  // namespace standin
