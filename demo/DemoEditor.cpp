// A small stand-in for the editor that shows the plug-in at work.
//
//   QuorvinEditor.exe <plug-in DLL> <macro folder>               a window: click the
//       button or press F5 and the macro menu pops up at the mouse pointer
//   QuorvinEditor.exe <plug-in DLL> <macro folder> --screenshot <file.bmp>
//       opens the menu once, saves the screen, prints the menu and exits

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "Sandbox.h"
#include "StandInEditor.h"

using namespace standin;

namespace {

constexpr int kCommandButton = 100;
constexpr int kLog = 101;

std::wstring Widen(const std::string& text, UINT codePage = CP_ACP) {
    const int length =
        MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(length, L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), &wide[0], length);
    return wide;
}

std::string Utf8(const std::string& systemText) {
    const std::wstring wide = Widen(systemText);
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string utf8(length, '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), &utf8[0], length,
                        nullptr, nullptr);
    return utf8;
}

std::wstring PluginText(const PluginModule& plugin, UINT id) {
    wchar_t buffer[256] = {};
    LoadStringW(plugin.handle(), id, buffer, 256);
    return buffer;
}

// The editor's settings as a user of the sample folder would have them.
void SetUpEditorSettings(const std::string& folder) {
    ResetEditorSettings();
    SetString(kCommonKey, "MacroFolder", folder);
    SetString(kCommonKey, "MacroFile", folder + "\\Sort lines.jsee");
    SetString(kMacrosKey, "Macro0", folder + "\\Hello.js");
    SetString(kMacrosKey, "Macro1", folder + "\\Python\\Count words.py");
}

std::string DescribeRequest(const HostMessage& message) {
    if (message.message == 2085) {
        return "No macro folder is set (message 2085: " + message.text + ")";
    }
    if (message.message == 2070) {
        const std::string macro = message.macroSlot.present ? message.macroSlot.bytes.c_str() : "";
        if (message.posted) {
            return "Run registered macro " + std::to_string(message.wParam - 9216) + ": " + macro;
        }
        return "Run " + macro + " (lent Macro0 for this run)";
    }
    return "Message " + std::to_string(message.message);
}

bool SaveScreen(const char* path) {
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    GdiFlush();
    const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info.bmiHeader;
    file.bfSize = file.bfOffBits + stride * height;
    bool saved = false;
    if (FILE* out = std::fopen(path, "wb")) {
        std::fwrite(&file, sizeof file, 1, out);
        std::fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, out);
        std::fwrite(bits, stride * height, 1, out);
        saved = std::fclose(out) == 0;
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return saved;
}

int Screenshot(const PluginModule& plugin, StandInEditor& editor, const char* path) {
    bool saved = false;
    editor.onMenuShown = [&] {
        Sleep(300);  // let the menu finish drawing
        saved = SaveScreen(path);
    };
    SetCursorPos(120, 140);
    editor.PlayKeys({VK_ESCAPE});
    editor.RunCommand(plugin);
    std::printf("The macro menu:\n");
    for (const std::string& line : DescribeMenu(editor.snapshot().items)) {
        std::printf("  %s\n", Utf8(line).c_str());
    }
    std::printf(saved ? "Screenshot saved.\n" : "No screenshot could be taken.\n");
    return saved && editor.snapshot().taken ? 0 : 1;
}

int Interactive(const PluginModule& plugin, StandInEditor& editor) {
    HWND window = editor.window();
    SetWindowTextW(window, L"Quorvin \x2014 stand-in editor");
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    HWND button = CreateWindowExW(0, L"BUTTON", (PluginText(plugin, 1) + L" (F5)").c_str(),
                                  WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 12, 12, 240, 32, window,
                                  reinterpret_cast<HMENU>(kCommandButton), instance, nullptr);
    HWND log =
        CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"",
                        WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_READONLY, 12, 56,
                        440, 200, window, reinterpret_cast<HMENU>(kLog), instance, nullptr);
    std::wstring history = PluginText(plugin, 2) + L"\r\n\r\n";
    SetWindowTextW(log, history.c_str());
    editor.onHostMessage = [&](const HostMessage& message) {
        history += Widen(DescribeRequest(message)) + L"\r\n";
        SetWindowTextW(log, history.c_str());
    };
    editor.onWindowMessage = [&](UINT message, WPARAM wParam, LPARAM) {
        if (message == WM_COMMAND && LOWORD(wParam) == kCommandButton) {
            editor.RunCommand(plugin);
            return true;
        }
        if (message == WM_DESTROY) {
            PostQuitMessage(0);
        }
        return false;
    };
    SetFocus(button);
    editor.RunMessageLoop([&](const MSG& message) {
        if (message.message == WM_KEYDOWN && message.wParam == VK_F5) {
            PostMessageA(window, WM_COMMAND, kCommandButton, 0);
            return true;
        }
        return false;
    });
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 && !(argc == 5 && std::strcmp(argv[3], "--screenshot") == 0)) {
        std::printf("usage: %s <plug-in DLL> <macro folder> [--screenshot <file.bmp>]\n", argv[0]);
        return 2;
    }
    SetUpEditorSettings(argv[2]);
    PluginModule plugin(argv[1]);
    if (plugin.handle() == nullptr) {
        std::printf("could not load %s\n", argv[1]);
        return 1;
    }
    StandInEditor editor;
    return argc == 5 ? Screenshot(plugin, editor, argv[4]) : Interactive(plugin, editor);
}
