// A small stand-in for the editor that shows the plug-in at work.
//
//   QuorvinEditor.exe <plug-in DLL> <macro folder>               a window: click the
//       button or press F5 and the macro menu pops up at the mouse pointer
//   QuorvinEditor.exe <plug-in DLL> <macro folder> --screenshot <file.bmp>
//       opens the menu once, saves the screen, prints the menu and exits

#include <windows.h>
// commctrl.h needs windows.h first.
#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "Sandbox.h"
#include "SettingsStore.h"
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

// The editor's settings as a user of the sample folder would have them: in
// the registry, or in INI files where the demo keeps them there (a portable
// editor), with nothing of the editor's in the registry.
void SetUpEditorSettings(const std::string& folder) {
    ResetEditorSettings();
    const std::wstring ini = IniFolder();
    if (!ini.empty()) {
        const std::wstring wide = Widen(folder);
        CreateDirectoryW(ini.c_str(), nullptr);
        WriteIniFile(ini + L"\\EmEditor.ini",
                     L"[Common]\r\nMacroFolder=" + wide + L"\r\nMacroFile=" + wide +
                         L"\\Sort lines.jsee\r\n[Macros]\r\nMacro0=" + wide +
                         L"\\Hello.js\r\nMacro1=" + wide + L"\\Python\\Count words.py\r\n");
        WriteIniFile(ini + L"\\PlugIns.ini", L"");
        return;
    }
    SetString(kCommonKey, "MacroFolder", folder);
    SetString(kCommonKey, "MacroFile", folder + "\\Sort lines.jsee");
    SetString(kMacrosKey, "Macro0", folder + "\\Hello.js");
    SetString(kMacrosKey, "Macro1", folder + "\\Python\\Count words.py");
}

std::string DescribeRequest(const HostMessage& message) {
    if (message.message == 2085) {
        return "No macro folder is set (message 2085: " + message.text + ")";
    }
    if (message.message == 2096 || message.message == 2104) {
        std::string text(message.wideText.size() * 2 + 1, '\0');
        text.resize(WideCharToMultiByte(CP_ACP, 0, message.wideText.c_str(),
                                        static_cast<int>(message.wideText.size()), &text[0],
                                        static_cast<int>(text.size()), nullptr, nullptr));
        return message.message == 2096 ? "Open " + text + " for editing (message 2096)"
                                       : "Status: " + text + " (message 2104)";
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

void PrintMenu(const StandInEditor& editor) {
    std::printf("The macro menu:\n");
    for (const std::string& line : DescribeMenu(editor.snapshot().items)) {
        std::printf("  %s\n", Utf8(line).c_str());
    }
    std::fflush(stdout);
}

using PlugInProcFunction = LRESULT(WINAPI*)(HWND, UINT, WPARAM, LPARAM);
using IdFunction = UINT(WINAPI*)();

// The editor's window as a user sees it: the plug-in's toolbar button (its
// image and mask colour asked through PlugInProc), a log of what the editor
// was asked to run, and a status bar that shows the command's status text
// while the button is hot.
class EditorWindow {
  public:
    EditorWindow(const PluginModule& plugin, StandInEditor& editor)
        : plugin_(plugin), editor_(editor) {
        INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_BAR_CLASSES};
        InitCommonControlsEx(&controls);
        HWND window = editor.window();
        SetWindowTextW(window, L"Quorvin \x2014 stand-in editor");
        const HINSTANCE instance = GetModuleHandleA(nullptr);
        toolbar_ =
            CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr,
                            WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_LIST | TBSTYLE_TOOLTIPS,
                            0, 0, 0, 0, window, nullptr, instance, nullptr);
        AddPluginButton();
        status_ = CreateWindowExW(0, STATUSCLASSNAMEW, nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 0, 0,
                                  window, nullptr, instance, nullptr);
        log_ =
            CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"",
                            WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_READONLY, 8, 48,
                            456, 200, window, reinterpret_cast<HMENU>(kLog), instance, nullptr);
        history_ = L"Press F5 or click the button.\r\n";
        SetWindowTextW(log_, history_.c_str());
        editor.onHostMessage = [this](const HostMessage& message) {
            const std::string request = DescribeRequest(message);
            history_ += Widen(request) + L"\r\n";
            SetWindowTextW(log_, history_.c_str());
            std::printf("%s\n", Utf8(request).c_str());
            std::fflush(stdout);
        };
        editor.onWindowMessage = [this](UINT message, WPARAM wParam, LPARAM lParam) {
            return Handle(message, wParam, lParam);
        };
    }

    // As if the pointer rested on the button.
    void HoverButton() { SendMessageW(toolbar_, TB_SETHOTITEM, 0, 0); }

  private:
    void AddPluginButton() {
        const auto plugInProc = plugin_.ExportAs<PlugInProcFunction>("PlugInProc");
        const auto bitmapId = plugInProc(editor_.window(), 2312, kImageFlags, 0);
        const auto mask = static_cast<COLORREF>(plugInProc(editor_.window(), 2313, kImageFlags, 0));
        images_ = ImageList_Create(24, 24, ILC_COLOR24 | ILC_MASK, 1, 0);
        HBITMAP image = static_cast<HBITMAP>(
            LoadImageA(plugin_.handle(), MAKEINTRESOURCEA(bitmapId), IMAGE_BITMAP, 0, 0, 0));
        ImageList_AddMasked(images_, image, mask);
        DeleteObject(image);
        SendMessageW(toolbar_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
        SendMessageW(toolbar_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images_));
        const UINT menuTextId = plugin_.ExportAs<IdFunction>("GetMenuTextID")();
        menuText_ = PluginText(plugin_, menuTextId) + L" (F5)";
        TBBUTTON button = {};
        button.iBitmap = 0;
        button.idCommand = kCommandButton;
        button.fsState = TBSTATE_ENABLED;
        button.fsStyle = BTNS_BUTTON | BTNS_AUTOSIZE | BTNS_SHOWTEXT;
        button.iString = reinterpret_cast<INT_PTR>(menuText_.c_str());
        SendMessageW(toolbar_, TB_ADDBUTTONSW, 1, reinterpret_cast<LPARAM>(&button));
        SendMessageW(toolbar_, TB_AUTOSIZE, 0, 0);
        // The status text is two texts: the status line, then the tooltip.
        const std::wstring status =
            PluginText(plugin_, plugin_.ExportAs<IdFunction>("GetStatusMessageID")());
        const std::size_t split = status.find(L'\n');
        statusText_ = status.substr(0, split);
        tooltipText_ = split == std::wstring::npos ? status : status.substr(split + 1);
    }

    bool Handle(UINT message, WPARAM wParam, LPARAM lParam) {
        switch (message) {
            case WM_COMMAND:
                if (LOWORD(wParam) == kCommandButton) {
                    editor_.RunCommand(plugin_);
                    PrintMenu(editor_);
                    return true;
                }
                return false;
            case WM_NOTIFY: {
                const auto* header = reinterpret_cast<const NMHDR*>(lParam);
                if (header->code == TBN_HOTITEMCHANGE) {
                    const auto* hot = reinterpret_cast<const NMTBHOTITEM*>(lParam);
                    const bool onButton = !(hot->dwFlags & HICF_LEAVING);
                    SendMessageW(status_, SB_SETTEXTW, 0,
                                 reinterpret_cast<LPARAM>(onButton ? statusText_.c_str() : L""));
                } else if (header->code == TTN_GETDISPINFOW) {
                    reinterpret_cast<NMTTDISPINFOW*>(lParam)->lpszText =
                        const_cast<wchar_t*>(tooltipText_.c_str());
                }
                return false;
            }
            case WM_SIZE:
                SendMessageW(toolbar_, TB_AUTOSIZE, 0, 0);
                SendMessageW(status_, WM_SIZE, 0, 0);
                return false;
            case WM_DESTROY:
                PostQuitMessage(0);
                return false;
            default:
                return false;
        }
    }

    // Large 256-colour images, as the editor asks for on its toolbars.
    static constexpr WPARAM kImageFlags = 0x11;

    const PluginModule& plugin_;
    StandInEditor& editor_;
    HWND toolbar_ = nullptr;
    HWND status_ = nullptr;
    HWND log_ = nullptr;
    HIMAGELIST images_ = nullptr;
    std::wstring menuText_, statusText_, tooltipText_, history_;
};

int Screenshot(const PluginModule& plugin, StandInEditor& editor, const char* path) {
    EditorWindow window(plugin, editor);
    window.HoverButton();
    editor.PumpMessages();
    bool saved = false;
    // With the Python sub-menu open, so that its checked macro shows.
    int popups = 0;
    editor.onWindowMessage = [&](UINT message, WPARAM wParam, LPARAM) {
        if (message == WM_INITMENUPOPUP) ++popups;
        if (message == WM_ENTERIDLE && wParam == MSGF_MENU && popups == 2 && !saved) {
            Sleep(300);  // let the menu finish drawing
            saved = SaveScreen(path);
        }
        return false;
    };
    SetCursorPos(140, 110);
    editor.PlayKeys({'4'});
    editor.RunCommand(plugin);
    PrintMenu(editor);
    std::printf(saved ? "Screenshot saved.\n" : "No screenshot could be taken.\n");
    return saved && editor.snapshot().taken ? 0 : 1;
}

int Interactive(const PluginModule& plugin, StandInEditor& editor) {
    editor.LeaveMenusToThePerson();
    EditorWindow window(plugin, editor);
    const HWND owner = editor.window();
    editor.RunMessageLoop([owner](const MSG& message) {
        if (message.message == WM_KEYDOWN && message.wParam == VK_F5) {
            PostMessageA(owner, WM_COMMAND, kCommandButton, 0);
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
