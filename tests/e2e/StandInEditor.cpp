#include "StandInEditor.h"

#include <cstdio>

#include "Sandbox.h"
#include "SettingsStore.h"

namespace standin {

namespace {

constexpr UINT kHostMsgEventValue = 2050;
constexpr UINT kHostMsgRunCommand = 2070;
constexpr UINT kHostMsgNoMacroFolder = 2085;
constexpr UINT kHostMsgLoadFile = 2096;
constexpr UINT kHostMsgSetStatusText = 2104;
constexpr UINT kFirstRegisteredMacro = 9216;
constexpr const char* kWindowClass = "QuorvinStandInEditor";
constexpr UINT_PTR kWatchdogTimer = 1;
// A key that changes nothing brings no WM_ENTERIDLE: after this long the
// watchdog plays the next key itself.
constexpr DWORD kStallMilliseconds = 1500;

// While set, the window procedure is handling a message taken from the queue.
const MSG* queuedMessage = nullptr;
DWORD lastKeyTick = 0;
bool menuOpen = false;

std::vector<MenuItemSnapshot> SnapshotMenu(HMENU menu, std::vector<HMENU>& handles) {
    handles.push_back(menu);
    std::vector<MenuItemSnapshot> items;
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        MENUITEMINFOA info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_STRING;
        GetMenuItemInfoA(menu, i, TRUE, &info);
        MenuItemSnapshot item;
        item.id = info.wID;
        item.type = info.fType;
        item.state = info.fState;
        item.submenu = info.hSubMenu;
        if (!(info.fType & MFT_SEPARATOR) && info.cch > 0) {
            std::vector<char> label(info.cch + 1);
            info.dwTypeData = label.data();
            info.cch = static_cast<UINT>(label.size());
            GetMenuItemInfoA(menu, i, TRUE, &info);
            item.label.assign(label.data(), info.cch);
            std::vector<wchar_t> wide(label.size() * 2 + 2);
            MENUITEMINFOW wideInfo = {};
            wideInfo.cbSize = sizeof wideInfo;
            wideInfo.fMask = MIIM_STRING;
            wideInfo.dwTypeData = wide.data();
            wideInfo.cch = static_cast<UINT>(wide.size());
            GetMenuItemInfoW(menu, i, TRUE, &wideInfo);
            item.trueLabel.assign(wide.data(), wideInfo.cch);
        }
        if (item.submenu != nullptr) {
            item.children = SnapshotMenu(item.submenu, handles);
        }
        items.push_back(item);
    }
    return items;
}

void Describe(const std::vector<MenuItemSnapshot>& items, const std::string& indent,
              std::vector<std::string>& out) {
    for (const MenuItemSnapshot& item : items) {
        if (item.type & MFT_SEPARATOR) {
            out.push_back(indent + "---");
        } else if (item.submenu != nullptr) {
            out.push_back(indent + item.label + " >");
            Describe(item.children, indent + "  ", out);
        } else {
            std::string line = indent + item.label + " #" + std::to_string(item.id);
            if (item.state & MFS_CHECKED) line += " checked";
            if (item.state & MFS_DEFAULT) line += " default";
            if ((item.state & MFS_GRAYED) == MFS_GRAYED) line += " grayed";
            out.push_back(line);
        }
    }
}

WNDPROC dialogProcedure = nullptr;

LRESULT CALLBACK PlugInsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == 2106 || message == 2133 || message == 2134) {
        RecordRefusal("message " + std::to_string(message) + " sent to the Plug-ins dialog");
    }
    return CallWindowProcW(dialogProcedure, dialog, message, wParam, lParam);
}

}  // namespace

std::vector<std::string> DescribeMenu(const std::vector<MenuItemSnapshot>& items) {
    std::vector<std::string> out;
    Describe(items, "", out);
    return out;
}

RegistryValue ReadMacroSlot(int index) {
    char name[32];
    std::snprintf(name, sizeof name, "Macro%d", index);
    return ReadValue(kMacrosKey, name);
}

void PressKey(WORD key) {
    INPUT inputs[4] = {};
    UINT count = 0;
    const auto add = [&](WORD virtualKey, DWORD flags) {
        inputs[count].type = INPUT_KEYBOARD;
        inputs[count].ki.wVk = virtualKey;
        inputs[count].ki.dwFlags = flags;
        ++count;
    };
    const bool shift = (key & kWithShift) != 0;
    key = static_cast<WORD>(key & ~kWithShift);
    if (shift) add(VK_SHIFT, 0);
    add(key, 0);
    add(key, KEYEVENTF_KEYUP);
    if (shift) add(VK_SHIFT, KEYEVENTF_KEYUP);
    SendInput(count, inputs, sizeof(INPUT));
    lastKeyTick = GetTickCount();
}

// The editor opens a file only by its full path: "C:\..." or "\\server\...".
bool IsFullPath(const wchar_t* path) {
    const bool drive =
        ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z')) &&
        path[1] == L':' && path[2] == L'\\';
    return drive || (path[0] == L'\\' && path[1] == L'\\');
}

PluginModule::PluginModule(const char* path) : module_(LoadLibraryA(path)) {}

PluginModule::~PluginModule() {
    if (module_ != nullptr) {
        FreeLibrary(module_);
    }
}

FARPROC PluginModule::Export(const char* name) const {
    return module_ ? GetProcAddress(module_, name) : nullptr;
}

void PluginModule::OnCommand(HWND window) const {
    using OnCommandFunction = void(WINAPI*)(HWND);
    const auto onCommand = ExportAs<OnCommandFunction>("OnCommand");
    if (onCommand != nullptr) {
        onCommand(window);
    }
}

StandInEditor::StandInEditor() {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = kWindowClass;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    RegisterClassA(&windowClass);
    window_ = CreateWindowExA(0, kWindowClass, "Stand-in editor", WS_OVERLAPPEDWINDOW, 40, 40, 480,
                              320, nullptr, nullptr, GetModuleHandleA(nullptr), this);
    ShowWindow(window_, SW_SHOW);
    SetForegroundWindow(window_);
    PumpMessages();
}

HWND StandInEditor::OpenPlugInsDialog() {
    if (dialog_ == nullptr) {
        dialog_ = CreateWindowExW(WS_EX_DLGMODALFRAME, L"#32770", L"Plug-ins",
                                  WS_POPUP | WS_CAPTION | WS_SYSMENU, 80, 80, 320, 240, window_,
                                  nullptr, GetModuleHandleW(nullptr), nullptr);
        dialogProcedure = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
            dialog_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&PlugInsDialogProc)));
    }
    return dialog_;
}

StandInEditor::~StandInEditor() {
    if (dialog_ != nullptr) DestroyWindow(dialog_);
    if (window_ != nullptr) {
        DestroyWindow(window_);
    }
}

void StandInEditor::PrepareForMenu() {
    nextKey_ = 0;
    menuShownReported_ = false;
    snapshot_ = MenuSnapshot();
}

void StandInEditor::RunCommand(const PluginModule& plugin) {
    PrepareForMenu();
    messages_.clear();
    SetForegroundWindow(window_);
    if (safetyNet_) SetTimer(window_, kWatchdogTimer, 250, nullptr);
    lastKeyTick = GetTickCount();
    const DWORD start = GetTickCount();
    plugin.OnCommand(window_);
    lastCommandMilliseconds_ = GetTickCount() - start;
    KillTimer(window_, kWatchdogTimer);
    PumpMessages();
}

void StandInEditor::PumpMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        queuedMessage = &message;
        DispatchMessageA(&message);
        queuedMessage = nullptr;
    }
}

void StandInEditor::RunMessageLoop(const std::function<bool(const MSG&)>& filter) {
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (filter && filter(message)) {
            continue;
        }
        TranslateMessage(&message);
        queuedMessage = &message;
        DispatchMessageA(&message);
        queuedMessage = nullptr;
    }
}

void StandInEditor::Record(bool posted, UINT message, WPARAM wParam, LPARAM lParam) {
    HostMessage record;
    record.posted = posted;
    record.message = message;
    record.wParam = wParam;
    record.lParam = lParam;
    if (message == kHostMsgNoMacroFolder && lParam != 0) {
        record.text = reinterpret_cast<const char*>(lParam);
    }
    if ((message == kHostMsgLoadFile || message == kHostMsgSetStatusText) && lParam != 0) {
        record.wideText = reinterpret_cast<const wchar_t*>(lParam);
    }
    if (message == kHostMsgRunCommand && wParam >= kFirstRegisteredMacro) {
        const int slot = static_cast<int>(wParam - kFirstRegisteredMacro);
        record.macroSlot = ReadMacroSlot(slot);
        const std::wstring name = L"Macro" + std::to_wstring(slot);
        const std::wstring folder = IniFolder();
        if (!folder.empty()) {
            record.macroSlot = RegistryValue();
            if (ReadIniText((folder + L"\\EmEditor.ini").c_str(), L"Macros", name.c_str(),
                            &record.macroSlotText)) {
                char narrow[4096] = {};
                WideCharToMultiByte(CP_ACP, 0, record.macroSlotText.c_str(), -1, narrow,
                                    sizeof narrow, nullptr, nullptr);
                record.macroSlot.present = true;
                record.macroSlot.type = REG_SZ;
                record.macroSlot.bytes = std::string(narrow) + std::string(1, '\0');
            }
        } else if (record.macroSlot.present) {
            record.macroSlotText = StoredText(kMacrosKey, ("Macro" + std::to_string(slot)).c_str());
        }
        for (HMENU menu : snapshot_.handles) record.menusAlive += IsMenu(menu) ? 1 : 0;
    }
    messages_.push_back(record);
}

LRESULT CALLBACK StandInEditor::WindowProc(HWND window, UINT message, WPARAM wParam,
                                           LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* editor = reinterpret_cast<StandInEditor*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (editor != nullptr && editor->window_ == window) {
        return editor->Handle(message, wParam, lParam);
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT StandInEditor::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    if (onWindowMessage && onWindowMessage(message, wParam, lParam)) {
        return 0;
    }
    LRESULT answer = 0;
    if (AnswerSettingsMessage(message, wParam, lParam, &answer)) return answer;
    switch (message) {
        case kHostMsgEventValue:
        case kHostMsgRunCommand:
        case kHostMsgNoMacroFolder: {
            const bool posted = queuedMessage != nullptr && queuedMessage->hwnd == window_ &&
                                queuedMessage->message == message;
            Record(posted, message, wParam, lParam);
            if (onHostMessage) {
                onHostMessage(messages_.back());
            }
            return 0;
        }
        case kHostMsgSetStatusText:
            if (wParam != 0 || lParam == 0) RecordRefusal("2104 without a text, or with a wParam");
            Record(false, message, wParam, lParam);
            if (onHostMessage) onHostMessage(messages_.back());
            return 0;
        case kHostMsgLoadFile: {
            // wParam 0: opened as the editor's settings say; any other is a
            // LOAD_FILE_INFO_EX the plug-in was never asked for.
            const auto* path = reinterpret_cast<const wchar_t*>(lParam);
            if (wParam != 0 || path == nullptr || !IsFullPath(path)) {
                RecordRefusal("2096 with a wParam, or without a full path");
                return 0;
            }
            Record(false, message, wParam, lParam);
            if (onHostMessage) onHostMessage(messages_.back());
            const DWORD attributes = GetFileAttributesW(path);
            return attributes != INVALID_FILE_ATTRIBUTES &&
                   !(attributes & FILE_ATTRIBUTE_DIRECTORY);
        }
        case WM_ENTERMENULOOP:
            menuOpen = true;
            break;
        case WM_EXITMENULOOP:
            menuOpen = false;
            break;
        case WM_INITMENUPOPUP:
            ++menusOpened_;
            if (!snapshot_.taken) {
                LARGE_INTEGER now;
                QueryPerformanceCounter(&now);
                menuOpenedAt_ = now.QuadPart;
                snapshot_.taken = true;
                snapshot_.menu = reinterpret_cast<HMENU>(wParam);
                if (takeSnapshots_) {
                    snapshot_.items = SnapshotMenu(snapshot_.menu, snapshot_.handles);
                }
            }
            break;
        case WM_ENTERIDLE:
            if (wParam == MSGF_MENU && safetyNet_) {
                if (!menuShownReported_ && onMenuShown) {
                    menuShownReported_ = true;
                    onMenuShown();
                }
                // After the script, Escape closes whatever is still open.
                PressKey(nextKey_ < keys_.size() ? keys_[nextKey_++] : VK_ESCAPE);
            }
            return 0;
        case WM_TIMER:
            if (wParam == kWatchdogTimer && menuOpen && safetyNet_ &&
                GetTickCount() - lastKeyTick > kStallMilliseconds) {
                PressKey(nextKey_ < keys_.size() ? keys_[nextKey_++] : VK_ESCAPE);
            }
            return 0;
        default:
            break;
    }
    return DefWindowProcA(window_, message, wParam, lParam);
}

}  // namespace standin
