#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/Platform.h"
#include "platform/SettingsStore.h"

namespace quorvin::testing {

// While allocationsFail, every allocation made outside the fake's own calls
// throws std::bad_alloc (tests/unit/FailingHeap.cpp, in the unit tests).
extern bool allocationsFail;
extern int callsInsideFake;
struct InsideFake {
    InsideFake() { ++callsInsideFake; }
    ~InsideFake() { --callsInsideFake; }
    InsideFake(const InsideFake&) = delete;
    InsideFake& operator=(const InsideFake&) = delete;
};

bool IsLeadByte(unsigned char byte);
// Code page 932 text and UTF-16, converted as the system converts them; a
// character the code page lacks becomes "?".
std::u16string Decode(const std::string& text);
std::string Encode(const std::u16string& text);
// UTF-8, for showing true names in test messages.
std::string Utf8(const std::u16string& text);
// The bytes of UTF-16 text, as the registry stores a string.
std::string Utf16Bytes(const std::u16string& text);

// An in-memory Windows for the logic: a registry below HKEY_CURRENT_USER, a
// folder tree of UTF-16 names with links and short names, popup menus,
// messages, the shell and string resources. The system code page is 932, as
// on a Japanese system: it cannot hold every character.
class FakePlatform : public Platform, public SettingsStore {
  public:
    FakePlatform();
    ~FakePlatform() override;

    // --- Registry ---
    // It keeps a string in UTF-16, as the system does, whichever call wrote it.
    struct Value {
        std::uint32_t type = 0;
        std::string bytes;
    };
    void AddKey(const std::string& key);
    // As the narrow call writes them: a string's bytes are text in the code page.
    void SetValueBytes(const std::string& key, const std::string& name, std::uint32_t type,
                       const std::string& bytes);
    // As the wide call writes them: bytes exactly as stored, a string's in UTF-16.
    void SetStoredBytes(const std::string& key, const std::string& name, std::uint32_t type,
                        const std::string& bytes);
    // A string as the editor stores it, terminator included: in the code page,
    // or in its true text, as a Unicode editor writes it.
    void SetString(const std::string& key, const std::string& name, const std::string& text,
                   std::uint32_t type = kRegSz);
    void SetWideString(const std::string& key, const std::string& name, const std::u16string& text,
                       std::uint32_t type = kRegSz);
    void SetDword(const std::string& key, const std::string& name, std::int32_t value);
    // The value as the narrow call reads it, a string in the code page (no
    // terminator added); nullopt when absent.
    std::optional<Value> FindValue(const std::string& key, const std::string& name) const;
    const Value* FindStoredValue(const std::string& key, const std::string& name) const;
    bool HasKey(const std::string& key) const { return keys_.count(key) != 0; }
    // Whether a loan journal's value is left, in the registry's
    // Software\Quorvin or in the editor's store: the key itself may stay for
    // the plug-in's own values.
    bool HoldsJournal() const;
    bool StoreHoldsJournal() const;
    int OpenKeyCount() const { return static_cast<int>(openKeys_.size()); }
    // Every key opened, with the access it was opened with, in order.
    std::vector<std::pair<std::string, std::uint32_t>> keyOpens;
    bool HasKeyBelow(const std::string& prefix) const;
    std::vector<std::string> uncreatableKeys;
    // Keys this user may not delete: a tree that holds one cannot go, and
    // keeps all it holds, as Wine's RegDeleteTree does.
    std::vector<std::string> undeletableKeys;
    // Processes: this one, and the others that still run.
    ProcessStamp thisProcess{100, 5000};
    std::vector<ProcessStamp> otherProcesses;
    // Running, but this user may not open them: no process of this user's.
    std::vector<ProcessStamp> unopenableProcesses;
    bool mutexHeld = false;
    bool mutexTimesOut = false;
    // From the next time the mutex is owned, every allocation fails.
    bool allocationsFailFromNextLock = false;
    // Runs before every value query; may change the registry under it.
    std::function<void(const std::string& name, bool sizeOnly)> onQuery;
    // Queries of these values fail with this status instead.
    std::map<std::string, long> failingValues;
    // Queries of these values, in the registry or the editor's store, succeed
    // and report this size, whatever the buffer: a store that lies.
    std::map<std::string, std::uint32_t> reportedSizes;
    long Lie(const std::string& name, const std::string& bytes, void* data, std::uint32_t* size);
    // Writes and deletions of values of these names are refused, in the
    // registry and in the editor's store.
    std::vector<std::string> unwritableValues;

    // --- Faults, by call ---
    // While counting, each call of the registry, the mutex, processes, paths
    // and messages is numbered from 1 and named in calls. The failing call
    // fails as the system's would (a registry call with 14, out of memory; the
    // mutex wait times out); right after the dying call the process dies:
    // ProcessDied is thrown, and the caller unwinds as if it never ran again.
    struct ProcessDied {};
    // Set by the death, for a caller whose catch-all swallowed it: the
    // process ended there all the same.
    bool died = false;
    bool counting = false;
    std::vector<std::string> calls;
    std::size_t failingCall = 0;
    std::size_t dyingCall = 0;

    // --- Folders ---
    // Entries are listed as NTFS lists them, by their upper-cased names, or,
    // as FAT, exFAT and network shares do, in the order they were added;
    // "." and ".." come first in every folder. Paths are UTF-16, or code
    // page 932 text.
    bool listsInWriteOrder = false;
    int nameComparisons = 0;
    void AddFolder(const std::u16string& path);
    void AddFile(const std::u16string& path);
    void AddLink(const std::u16string& path, const std::u16string& target);
    void AddFolder(const std::string& path) { AddFolder(Decode(path)); }
    void AddFile(const std::string& path) { AddFile(Decode(path)); }
    void AddLink(const std::string& path, const std::string& target) {
        AddLink(Decode(path), Decode(target));
    }
    // A name that is not 8.3 gets a short name, "CAFE~1.JS", unless the volume
    // keeps none; the short path of a name then is its long one.
    bool shortNames = true;
    // Folders are on volume 0x1234 and numbered in the order they are made;
    // a test may place one elsewhere.
    void SetFolderIdentity(const std::u16string& path, std::uint32_t volume, std::uint64_t index);
    std::uint64_t FolderIndex(const std::u16string& path) const;
    int OpenFindCount() const { return openFinds_; }
    int enumerations = 0;
    int identityQueries = 0;
    int attributeQueries = 0;

    // --- Menus ---
    struct Item {
        std::uint32_t type = 0;
        std::uint32_t state = 0;
        std::uint32_t id = 0;
        MenuHandle submenu = nullptr;
        std::string label;  // in the code page, as the narrow menu calls read it
        std::u16string trueLabel;
    };
    struct Menu {
        std::vector<Item> items;
        bool destroyed = false;
    };
    const Menu& MenuAt(MenuHandle handle) const;
    int menusLeft = -1;  // CreatePopupMenu fails once this reaches 0; -1: never
    // Inserting a sub-menu under this label fails, as when the system will
    // not nest it.
    std::u16string refusedSubmenuLabel;
    int LiveMenuCount() const;
    std::vector<MenuHandle> destroyedOrder;
    MenuHandle shownMenu = nullptr;
    WindowHandle shownOwner = nullptr;
    std::uint32_t shownFlags = 0;
    long shownX = 0;
    long shownY = 0;
    // Plays the user's choice when a menu is shown; returns what the menu call would.
    std::function<std::uint32_t(FakePlatform&, MenuHandle)> onTrack;
    // Whether Shift or Ctrl is held as the choice is made.
    bool chooseWithModifier = false;
    // A script that picks the item with this exact label anywhere in the tree.
    static std::function<std::uint32_t(FakePlatform&, MenuHandle)> Choose(const std::string& label);
    const Item* FindItem(MenuHandle menu, const std::string& label) const;

    // --- The editor's own settings store, as a portable editor keeps it ---
    // It answers 2106/319 with keepsIniSettings, and serves 2134 and 2133 from
    // its sections: "Common", "Macros", and a plug-in's by its config name.
    // A value is kept with the type it was written with; asked for as another
    // type, it reads as an error.
    bool keepsIniSettings = false;
    struct StoreValue {
        std::uint32_t type = 0;
        std::string bytes;
        bool operator==(const StoreValue& other) const {
            return type == other.type && bytes == other.bytes;
        }
    };
    std::map<std::u16string, std::map<std::u16string, StoreValue>> editorStore;
    void SetStoreString(const std::u16string& section, const std::u16string& name,
                        const std::u16string& text);
    const StoreValue* FindStoreValue(const std::u16string& section,
                                     const std::u16string& name) const;
    int storeMessages = 0;
    // The editor's published rules for the two messages. A call that breaks
    // one is refused with 87 and counted; a fake that refused any fails its
    // test when it goes, unless the test expects it and clears the count.
    // The store answers only the editor's frame: a window with an owner is a
    // dialog, whose default procedure answers every message with 0.
    int refusedStoreCalls = 0;
    // The largest buffer a query of the editor's store offered, in bytes.
    std::uint32_t largestBufferOffered = 0;
    // What it answers to 2106/320, the language of its interface: a LANGID,
    // or 0 as an editor before 8.00. It fills the buffer of 260 units to its
    // end, as the question allows, and refuses a question without one.
    LResult editorLanguage = 0;
    std::map<WindowHandle, WindowHandle> windowOwners;
    std::u16string programPath = u"C:\\Tools\\EmEditor\\EmEditor.exe";
    // GetUserDefaultUILanguage's answer.
    std::uint16_t userLanguage = 0x0411;
    // 2096 opens a file that exists, by its full path and with no record of
    // how; anything else is refused and counted in refusedStoreCalls.

    // --- Windows and the shell ---
    struct Message {
        bool posted = false;
        WindowHandle window = nullptr;
        std::uint32_t message = 0;
        WParam wParam = 0;
        LParam lParam = 0;
        std::string text;         // for 2085: the text behind lParam
        std::u16string wideText;  // for 2096 and 2104
    };
    std::vector<Message> messages;
    std::function<void(const Message&)> onSend;
    struct ShellRequest {
        WindowHandle window;
        std::u16string verb, file, directory;
        bool hasParameters;
        int show;
    };
    std::vector<ShellRequest> shellRequests;
    struct MessageBoxCall {
        WindowHandle owner;
        std::u16string text, caption;
        std::uint32_t type;
        std::string macro0;  // the editor's Macro0 as the narrow call reads it then
    };
    std::vector<MessageBoxCall> messageBoxes;
    int messageBoxAnswer = 7;  // IDNO

    // --- Text ---
    // The string table, in code page 932 text; the wide load decodes it.
    std::map<std::uint32_t, std::string> strings;
    // Characters that the code page writes, with no default character, as
    // bytes that read back as another character, as some code pages do.
    std::map<char32_t, std::string> oneWayMappings;
    std::vector<int> loadStringSizes;

    // Platform
    KeyHandle OpenUserKey(const char* subKey, std::uint32_t access,
                          long* status = nullptr) override;
    long QueryValue(KeyHandle key, const char* name, std::uint32_t* type, void* data,
                    std::uint32_t* size) override;
    long SetValue(KeyHandle key, const char* name, std::uint32_t type, const void* data,
                  std::uint32_t size) override;
    long QueryStoredValue(KeyHandle key, const char* name, std::uint32_t* type, void* data,
                          std::uint32_t* size) override;
    long SetStoredValue(KeyHandle key, const char* name, std::uint32_t type, const void* data,
                        std::uint32_t size) override;
    long DeleteValue(KeyHandle key, const char* name) override;
    void CloseKey(KeyHandle key) override;
    KeyHandle CreateUserKey(const char* subKey, std::uint32_t access) override;
    long DeleteUserTree(const char* subKey) override;
    // As RegDeleteKey: refused while the key has sub-keys.
    long DeleteUserKey(const char* subKey);
    ProcessStamp CurrentProcess() override { return thisProcess; }
    WideString ProgramPath() override { return programPath; }
    bool IsRunning(const ProcessStamp& process) override;
    MutexHandle CreateNamedMutex(const char* name) override;
    bool WaitForMutex(MutexHandle mutex, std::uint32_t milliseconds) override;
    void ReleaseMutex(MutexHandle mutex) override;
    void CloseMutex(MutexHandle mutex) override;
    FindHandle FindFirst(const char16_t* pattern, FindEntry* entry) override;
    bool FindNext(FindHandle find, FindEntry* entry) override;
    void FindClose(FindHandle find) override;
    bool FolderIdentityOf(const char16_t* path, FolderIdentity* identity) override;
    bool ShortPathOf(const char16_t* path, WideString* shortPath) override;
    bool LongPathOf(const char16_t* path, WideString* longPath) override;
    bool FileAttributesOf(const char16_t* path, std::uint32_t* attributes) override;
    int CompareNames(const char16_t* a, std::size_t aLength, const char16_t* b,
                     std::size_t bLength) override;
    MenuHandle CreatePopupMenu() override;
    bool InsertItem(MenuHandle menu, std::uint32_t position, const MenuItem& item) override;
    std::uint32_t TrackPopupMenu(MenuHandle menu, std::uint32_t flags, long x, long y,
                                 WindowHandle owner, bool* withModifier) override;
    bool DestroyMenu(MenuHandle menu) override;
    CursorPosition GetCursorPos() override;
    WindowHandle RootOwnerOf(WindowHandle window) override;
    LResult SendWindowMessage(WindowHandle window, std::uint32_t message, WParam wParam,
                              LParam lParam) override;
    bool PostWindowMessage(WindowHandle window, std::uint32_t message, WParam wParam,
                           LParam lParam) override;
    void ShellExecuteVerb(WindowHandle window, const char16_t* verb, const char16_t* file,
                          const char16_t* parameters, const char16_t* directory, int show) override;
    int ShowMessageBox(WindowHandle owner, const char16_t* text, const char16_t* caption,
                       std::uint32_t type) override;
    std::uint16_t UserInterfaceLanguage() override { return userLanguage; }
    WideString LoadWideString(ModuleHandle module, std::uint32_t id) override;
    int LoadStringText(ModuleHandle module, std::uint32_t id, char* buffer, int size) override;
    int ToCodePage(const char16_t* text, int length, char* buffer, int size,
                   bool* usedDefault) override;
    int FromCodePage(const char* text, int length, char16_t* buffer, int size) override;
    void LowerInPlace(char16_t* text) override;
    void CopyText(char* destination, const char* source, int size) override;

  private:
    struct OpenKey {
        std::string key;
        std::uint32_t access;
    };
    struct Node {
        bool folder = false;
        std::u16string linkTarget;
        std::vector<std::u16string> children;
        std::uint64_t index = 0;
        std::uint32_t volume = 0x1234;
        std::u16string shortName;                      // empty: the name is its own short name
        std::map<std::u16string, int> shortNamesMade;  // per base, in a folder
    };
    struct Enumeration {
        std::u16string folder;  // canonical
        std::vector<std::u16string> names;
        std::size_t next = 0;
    };
    void AddNode(const std::u16string& path, Node node);
    std::u16string ShortNameFor(const std::u16string& folder, const std::u16string& name);
    const Node* Child(const std::u16string& folder, const std::u16string& part,
                      std::u16string* name) const;
    // The path with every link followed; shortPath and longPath, when given,
    // get the path as written with each component in its short or long form.
    std::u16string Canonical(const std::u16string& path, int depth,
                             std::u16string* shortPath = nullptr,
                             std::u16string* longPath = nullptr) const;
    const Node* Resolve(const std::u16string& path) const;
    const OpenKey* KeyOf(KeyHandle key) const;
    bool Unwritable(const char* name) const;
    long Query(KeyHandle key, const char* name, std::uint32_t* type, void* data,
               std::uint32_t* size, bool narrow);
    KeyHandle Open(const char* subKey, std::uint32_t access);
    LResult AnswerStoreMessage(std::uint32_t message, LParam lParam);
    // Counts a call: true when it is the one to fail.
    bool Fails(const std::string& call);
    // Dies when the call just made is the dying one.
    template <typename Result>
    Result Survive(Result result) {
        if (counting && dyingCall != 0 && calls.size() == dyingCall) {
            died = true;
            throw ProcessDied();
        }
        return result;
    }

    std::map<std::string, std::map<std::string, Value>> keys_;
    std::map<std::uintptr_t, OpenKey> openKeys_;
    std::uintptr_t nextKey_ = 0x100;
    std::map<std::u16string, Node> nodes_;
    std::uint64_t nextIndex_ = 1;
    std::map<std::uintptr_t, Enumeration> finds_;
    std::uintptr_t nextFind_ = 0x1000;
    int openFinds_ = 0;
    std::map<MenuHandle, Menu> menus_;
    std::uintptr_t nextMenu_ = 0x10000;
};

}  // namespace quorvin::testing
