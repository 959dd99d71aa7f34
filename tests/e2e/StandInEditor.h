#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// Plays the editor's side of the plug-in interface in a real Win32 process: a
// top-level window that owns the popup menu, loads the plug-in, calls its
// command and records every message the plug-in sends it.
namespace standin {

// A registry value as the narrow API returns it.
struct RegistryValue {
    bool present = false;
    DWORD type = 0;
    std::string bytes;
};

struct HostMessage {
    bool posted = false;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    std::string text;            // 2085: the text behind lParam
    std::wstring wideText;       // 2096: the path to open; 2104: the status text
    RegistryValue macroSlot;     // 2070: the macro the editor would run, as stored then
    std::wstring macroSlotText;  // 2070: the same by its true text, wherever it is kept
    int menusAlive = 0;          // 2070: menus seen when the menu opened, still alive then
};

struct MenuItemSnapshot {
    std::string label;  // in the code page, as the narrow calls read it
    std::wstring trueLabel;
    UINT id = 0;
    UINT type = 0;
    UINT state = 0;
    HMENU submenu = nullptr;
    std::vector<MenuItemSnapshot> children;
};

struct MenuSnapshot {
    bool taken = false;
    HMENU menu = nullptr;
    std::vector<MenuItemSnapshot> items;
    std::vector<HMENU> handles;  // the menu and every sub-menu in it
};

// One line per item, sub-menu items indented: "&1 a.js #1 checked default",
// "&2 Tools >", "---".
std::vector<std::string> DescribeMenu(const std::vector<MenuItemSnapshot>& items);

class PluginModule {
  public:
    explicit PluginModule(const char* path);
    ~PluginModule();
    PluginModule(const PluginModule&) = delete;
    PluginModule& operator=(const PluginModule&) = delete;

    HMODULE handle() const { return module_; }
    FARPROC Export(const char* name) const;
    // The export as a function of the given type; nullptr when missing.
    template <typename Function>
    Function ExportAs(const char* name) const {
        return reinterpret_cast<Function>(reinterpret_cast<void*>(Export(name)));
    }
    void OnCommand(HWND window) const;

  private:
    HMODULE module_;
};

class StandInEditor {
  public:
    StandInEditor();
    ~StandInEditor();
    StandInEditor(const StandInEditor&) = delete;
    StandInEditor& operator=(const StandInEditor&) = delete;

    HWND window() const { return window_; }
    // The Plug-ins Settings dialog, as the editor shows it: a dialog that the
    // frame owns, which the editor passes to PlugInProc for the dialog's
    // queries. It is not the editor's window: a settings message sent to it
    // is refused, as the dialog's own procedure ignores it.
    HWND OpenPlugInsDialog();

    // Keys played one by one while the menu waits for input; after them,
    // Escape closes whatever is still open, so that no test can hang.
    void PlayKeys(const std::vector<WORD>& keys) { keys_ = keys; }
    // Leaves every menu to the person at the keyboard and mouse: no key is
    // played, and nothing is closed for them.
    void LeaveMenusToThePerson() { safetyNet_ = false; }
    // Forgets the last menu, ready to watch the next one open.
    void PrepareForMenu();
    // Runs the plug-in's command, then delivers what it posted.
    void RunCommand(const PluginModule& plugin);
    void PumpMessages();
    // Runs until the window is closed; keys the filter takes go no further.
    void RunMessageLoop(const std::function<bool(const MSG&)>& filter);

    const std::vector<HostMessage>& messages() const { return messages_; }
    const MenuSnapshot& snapshot() const { return snapshot_; }
    int menusOpened() const { return menusOpened_; }
    // When the last command's menu opened (QueryPerformanceCounter).
    LONGLONG menuOpenedAt() const { return menuOpenedAt_; }
    // Snapshots cost time per item; a benchmark turns them off.
    void TakeSnapshots(bool take) { takeSnapshots_ = take; }
    DWORD lastCommandMilliseconds() const { return lastCommandMilliseconds_; }

    // Called after a message from the plug-in is recorded; for a sent one,
    // while the plug-in waits for it.
    std::function<void(const HostMessage&)> onHostMessage;
    // Called when the menu first waits for input, before any key is played.
    std::function<void()> onMenuShown;
    // Sees every window message first; true when it handled it.
    std::function<bool(UINT, WPARAM, LPARAM)> onWindowMessage;

  private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void Record(bool posted, UINT message, WPARAM wParam, LPARAM lParam);

    HWND window_ = nullptr;
    HWND dialog_ = nullptr;
    std::vector<WORD> keys_;
    std::size_t nextKey_ = 0;
    bool menuShownReported_ = false;
    std::vector<HostMessage> messages_;
    MenuSnapshot snapshot_;
    int menusOpened_ = 0;
    LONGLONG menuOpenedAt_ = 0;
    bool takeSnapshots_ = true;
    bool safetyNet_ = true;
    DWORD lastCommandMilliseconds_ = 0;
};

RegistryValue ReadMacroSlot(int index);
// A key played with Shift held: kWithShift | VK_RETURN.
constexpr WORD kWithShift = 0x8000;
void PressKey(WORD key);

}  // namespace standin
