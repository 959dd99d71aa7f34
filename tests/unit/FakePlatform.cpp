#include "FakePlatform.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace quorvin::testing {

bool IsLeadByte(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

namespace {

// Splits at single-byte separators only: 0x5C can be a trail byte.
std::vector<std::string> SplitPath(const std::string& path) {
    std::vector<std::string> parts;
    std::string part;
    for (std::size_t i = 0; i < path.size(); ++i) {
        const auto byte = static_cast<unsigned char>(path[i]);
        if (IsLeadByte(byte) && i + 1 < path.size()) {
            part += path[i];
            part += path[++i];
        } else if (byte == '\\') {
            if (!part.empty()) {
                parts.push_back(part);
            }
            part.clear();
        } else {
            part += path[i];
        }
    }
    if (!part.empty()) {
        parts.push_back(part);
    }
    return parts;
}

std::string JoinParts(const std::vector<std::string>& parts, std::size_t count) {
    std::string joined;
    for (std::size_t i = 0; i < count; ++i) {
        joined += (i == 0 ? "" : "\\") + parts[i];
    }
    return joined;
}

constexpr long kAccessDenied = 5;
constexpr std::uint32_t kKeySetValue = 0x2;

}  // namespace

FakePlatform::FakePlatform() = default;
FakePlatform::~FakePlatform() = default;

// --- Registry ---

void FakePlatform::AddKey(const std::string& key) { keys_[key]; }

void FakePlatform::SetValueBytes(const std::string& key, const std::string& name,
                                 std::uint32_t type, const std::string& bytes) {
    keys_[key][name] = Value{type, bytes};
}

void FakePlatform::SetString(const std::string& key, const std::string& name,
                             const std::string& text, std::uint32_t type) {
    SetValueBytes(key, name, type, text + std::string(1, '\0'));
}

void FakePlatform::SetDword(const std::string& key, const std::string& name, std::int32_t value) {
    SetValueBytes(key, name, kRegDword, std::string(reinterpret_cast<const char*>(&value), 4));
}

const FakePlatform::Value* FakePlatform::FindValue(const std::string& key,
                                                   const std::string& name) const {
    const auto k = keys_.find(key);
    if (k == keys_.end()) {
        return nullptr;
    }
    const auto v = k->second.find(name);
    return v == k->second.end() ? nullptr : &v->second;
}

const FakePlatform::OpenKey* FakePlatform::KeyOf(KeyHandle key) const {
    const auto open = openKeys_.find(reinterpret_cast<std::uintptr_t>(key));
    return open == openKeys_.end() ? nullptr : &open->second;
}

KeyHandle FakePlatform::OpenUserKey(const char* subKey, std::uint32_t access) {
    if (keys_.count(subKey) == 0) {
        return nullptr;
    }
    const std::uintptr_t handle = nextKey_++;
    openKeys_[handle] = OpenKey{subKey, access};
    return reinterpret_cast<KeyHandle>(handle);
}

long FakePlatform::QueryValue(KeyHandle key, const char* name, std::uint32_t* type, void* data,
                              std::uint32_t* size) {
    return Query(key, name, type, data, size, true);
}

long FakePlatform::QueryStoredValue(KeyHandle key, const char* name, std::uint32_t* type,
                                    void* data, std::uint32_t* size) {
    return Query(key, name, type, data, size, false);
}

long FakePlatform::SetStoredValue(KeyHandle key, const char* name, std::uint32_t type,
                                  const void* data, std::uint32_t size) {
    return SetValue(key, name, type, data, size);
}

long FakePlatform::Query(KeyHandle key, const char* name, std::uint32_t* type, void* data,
                         std::uint32_t* size, bool narrow) {
    const OpenKey* open = KeyOf(key);
    if (open == nullptr) {
        return 6;  // invalid handle
    }
    if (onQuery) {
        onQuery(name, data == nullptr);
    }
    const auto failing = failingValues.find(name);
    if (failing != failingValues.end()) {
        return failing->second;
    }
    const Value* value = FindValue(open->key, name);
    if (value == nullptr) {
        return kRegFileNotFound;
    }
    *type = value->type;
    std::string bytes = value->bytes;
    // The narrow call terminates a string stored without a terminator, as Wine does.
    const bool isString = value->type == kRegSz || value->type == kRegExpandSz || value->type == 7;
    if (narrow && isString && (bytes.empty() || bytes.back() != '\0')) {
        bytes.push_back('\0');
    }
    const auto length = static_cast<std::uint32_t>(bytes.size());
    if (data == nullptr) {
        *size = length;
        return kRegSuccess;
    }
    if (*size < length) {
        *size = length;
        return kRegMoreData;
    }
    std::memcpy(data, bytes.data(), length);
    *size = length;
    return kRegSuccess;
}

long FakePlatform::SetValue(KeyHandle key, const char* name, std::uint32_t type, const void* data,
                            std::uint32_t size) {
    const OpenKey* open = KeyOf(key);
    if (open == nullptr || (open->access & kKeySetValue) == 0) {
        return kAccessDenied;
    }
    SetValueBytes(open->key, name, type, std::string(static_cast<const char*>(data), size));
    return kRegSuccess;
}

long FakePlatform::DeleteValue(KeyHandle key, const char* name) {
    const OpenKey* open = KeyOf(key);
    if (open == nullptr || (open->access & kKeySetValue) == 0) {
        return kAccessDenied;
    }
    return keys_[open->key].erase(name) ? kRegSuccess : kRegFileNotFound;
}

void FakePlatform::CloseKey(KeyHandle key) {
    if (openKeys_.erase(reinterpret_cast<std::uintptr_t>(key)) == 0) {
        throw std::logic_error("closed a key that was not open");
    }
}

// --- Folders ---

void FakePlatform::AddNode(const std::string& path, Node node) {
    const std::vector<std::string> parts = SplitPath(path);
    for (std::size_t i = 1; i < parts.size(); ++i) {
        const std::string ancestor = JoinParts(parts, i);
        if (nodes_.count(ancestor) == 0) {
            Node folder;
            folder.folder = true;
            AddNode(ancestor, folder);
        }
    }
    const std::string canonical = JoinParts(parts, parts.size());
    node.index = nextIndex_++;
    nodes_[canonical] = node;
    if (parts.size() > 1) {
        nodes_[JoinParts(parts, parts.size() - 1)].children.push_back(parts.back());
    }
}

void FakePlatform::AddFolder(const std::string& path) {
    Node node;
    node.folder = true;
    AddNode(path, node);
}

void FakePlatform::AddFile(const std::string& path) { AddNode(path, Node()); }

void FakePlatform::AddLink(const std::string& path, const std::string& target) {
    Node node;
    node.linkTarget = target;
    AddNode(path, node);
}

std::string FakePlatform::Canonical(const std::string& path, int depth) const {
    if (path.size() >= kMaxPath || depth > 32) {
        return std::string();
    }
    std::string current;
    for (const std::string& part : SplitPath(path)) {
        const std::string candidate = current.empty() ? part : current + "\\" + part;
        const auto found = nodes_.find(candidate);
        if (found == nodes_.end()) {
            return std::string();
        }
        const std::string& target = found->second.linkTarget;
        current = target.empty() ? candidate : Canonical(target, depth + 1);
        if (current.empty()) {
            return current;
        }
    }
    return current;
}

const FakePlatform::Node* FakePlatform::Resolve(const std::string& path) const {
    const auto found = nodes_.find(Canonical(path, 0));
    return found == nodes_.end() ? nullptr : &found->second;
}

FindHandle FakePlatform::FindFirst(const char* pattern, FindEntry* entry) {
    ++enumerations;
    std::string folder(pattern);
    if (folder.size() >= kMaxPath || folder.size() < 2 || folder.back() != '*') {
        return nullptr;
    }
    folder.pop_back();
    const Node* node = Resolve(folder);
    if (node == nullptr || !node->folder) {
        return nullptr;
    }
    Enumeration enumeration;
    enumeration.folder = Canonical(folder, 0);
    enumeration.names = {".", ".."};
    enumeration.names.insert(enumeration.names.end(), node->children.begin(), node->children.end());
    const std::uintptr_t handle = nextFind_++;
    finds_[handle] = enumeration;
    ++openFinds_;
    FindNext(reinterpret_cast<FindHandle>(handle), entry);
    return reinterpret_cast<FindHandle>(handle);
}

bool FakePlatform::FindNext(FindHandle find, FindEntry* entry) {
    Enumeration& enumeration = finds_.at(reinterpret_cast<std::uintptr_t>(find));
    if (enumeration.next >= enumeration.names.size()) {
        return false;
    }
    const std::string& name = enumeration.names[enumeration.next++];
    std::memset(entry->name, 0, sizeof entry->name);
    std::memcpy(entry->name, name.data(), std::min(name.size(), sizeof entry->name - 1));
    // A link shows as a reparse point, with the kind of what it leads to.
    const auto found = nodes_.find(enumeration.folder + "\\" + name);
    const Node* target = Resolve(enumeration.folder + "\\" + name);
    entry->attributes = kFileAttributeDirectory;
    if (found != nodes_.end()) {
        entry->attributes = target != nullptr && target->folder ? kFileAttributeDirectory : 0x20;
        if (!found->second.linkTarget.empty()) {
            entry->attributes |= kFileAttributeReparsePoint;
        }
    }
    return true;
}

void FakePlatform::FindClose(FindHandle find) {
    if (finds_.erase(reinterpret_cast<std::uintptr_t>(find)) == 0) {
        throw std::logic_error("closed an enumeration that was not open");
    }
    --openFinds_;
}

std::uint32_t FakePlatform::FileAttributes(const char* path) {
    const Node* node = Resolve(path);
    if (node == nullptr) {
        return kInvalidFileAttributes;
    }
    return node->folder ? kFileAttributeDirectory : 0x20;  // archive
}

bool FakePlatform::FolderIdentityOf(const char* path, FolderIdentity* identity) {
    ++identityQueries;
    const Node* node = Resolve(path);
    if (node == nullptr) {
        return false;
    }
    identity->volume = 0x1234;
    identity->index = node->index;
    return true;
}

// --- Menus ---

const FakePlatform::Menu& FakePlatform::MenuAt(MenuHandle handle) const {
    return menus_.at(handle);
}

int FakePlatform::LiveMenuCount() const {
    return static_cast<int>(std::count_if(menus_.begin(), menus_.end(),
                                          [](const auto& menu) { return !menu.second.destroyed; }));
}

MenuHandle FakePlatform::CreatePopupMenu() {
    const auto handle = reinterpret_cast<MenuHandle>(nextMenu_++);
    menus_[handle] = Menu();
    return handle;
}

bool FakePlatform::InsertItem(MenuHandle menu, std::uint32_t position, const MenuItem& item) {
    const auto found = menus_.find(menu);
    if (found == menus_.end() || found->second.destroyed) {
        return false;
    }
    Item inserted;
    inserted.type = item.type;
    if (item.mask & kMiimState) {
        inserted.state = item.state;
    }
    if (item.mask & kMiimId) {
        inserted.id = item.id;
    }
    if (item.mask & kMiimSubmenu) {
        inserted.submenu = item.submenu;
    }
    if ((item.mask & kMiimType) && item.text != nullptr) {
        inserted.label.assign(item.text, item.textLength);
        if (std::strlen(item.text) != item.textLength) {
            throw std::logic_error("label length disagrees with its text");
        }
    }
    std::vector<Item>& items = found->second.items;
    items.insert(items.begin() + std::min<std::size_t>(position, items.size()), inserted);
    return true;
}

std::uint32_t FakePlatform::TrackPopupMenu(MenuHandle menu, std::uint32_t flags, long x, long y,
                                           WindowHandle owner) {
    shownMenu = menu;
    shownOwner = owner;
    shownFlags = flags;
    shownX = x;
    shownY = y;
    return onTrack ? onTrack(*this, menu) : 0;
}

bool FakePlatform::DestroyMenu(MenuHandle menu) {
    const auto found = menus_.find(menu);
    if (found == menus_.end() || found->second.destroyed) {
        return false;
    }
    found->second.destroyed = true;
    destroyedOrder.push_back(menu);
    // As on Windows, sub-menus still attached go with their parent.
    for (const Item& item : found->second.items) {
        if (item.submenu != nullptr) {
            DestroyMenu(item.submenu);
        }
    }
    return true;
}

CursorPosition FakePlatform::GetCursorPos() {
    CursorPosition cursor;
    cursor.x = 321;
    cursor.y = 654;
    return cursor;
}

const FakePlatform::Item* FakePlatform::FindItem(MenuHandle menu, const std::string& label) const {
    for (const Item& item : MenuAt(menu).items) {
        if (item.label == label) {
            return &item;
        }
        if (item.submenu != nullptr) {
            if (const Item* inner = FindItem(item.submenu, label)) {
                return inner;
            }
        }
    }
    return nullptr;
}

std::function<std::uint32_t(FakePlatform&, MenuHandle)> FakePlatform::Choose(
    const std::string& label) {
    return [label](FakePlatform& platform, MenuHandle menu) -> std::uint32_t {
        const Item* item = platform.FindItem(menu, label);
        if (item == nullptr) {
            throw std::logic_error("no menu item labelled " + label);
        }
        return item->id;
    };
}

// --- Windows and the shell ---

LResult FakePlatform::SendWindowMessage(WindowHandle window, std::uint32_t message, WParam wParam,
                                        LParam lParam) {
    Message sent{false, window, message, wParam, lParam, {}};
    if (message == 2085 && lParam != 0) {
        sent.text = reinterpret_cast<const char*>(lParam);
    }
    messages.push_back(sent);
    if (onSend) {
        onSend(sent);
    }
    return 0;
}

bool FakePlatform::PostWindowMessage(WindowHandle window, std::uint32_t message, WParam wParam,
                                     LParam lParam) {
    messages.push_back(Message{true, window, message, wParam, lParam, {}});
    return true;
}

void FakePlatform::ShellExecuteVerb(WindowHandle window, const char* verb, const char* file,
                                    const char* parameters, const char* directory, int show) {
    shellRequests.push_back(
        ShellRequest{window, verb, file, directory ? directory : "", parameters != nullptr, show});
}

int FakePlatform::ShowMessageBox(WindowHandle owner, const char* text, const char* caption,
                                 std::uint32_t type) {
    messageBoxes.push_back(MessageBoxCall{owner, text, caption, type});
    return messageBoxAnswer;
}

// --- Text ---

int FakePlatform::LoadStringText(ModuleHandle, std::uint32_t id, char* buffer, int size) {
    loadStringSizes.push_back(size);
    const auto found = strings.find(id);
    if (found == strings.end() || size <= 0) {
        return 0;
    }
    const std::size_t length = std::min(found->second.size(), static_cast<std::size_t>(size - 1));
    std::memcpy(buffer, found->second.data(), length);
    buffer[length] = '\0';
    return static_cast<int>(length);
}

const char* FakePlatform::NextChar(const char* text) {
    if (*text == '\0') {
        return text;
    }
    if (IsLeadByte(static_cast<unsigned char>(*text)) && text[1] != '\0') {
        return text + 2;
    }
    return text + 1;
}

void FakePlatform::LowerInPlace(char* text) {
    for (char* p = text; *p != '\0'; p = const_cast<char*>(NextChar(p))) {
        if (*p >= 'A' && *p <= 'Z') {
            *p = static_cast<char>(*p - 'A' + 'a');
        }
    }
}

int FakePlatform::CompareText(const char* a, const char* b) { return std::strcmp(a, b); }

void FakePlatform::CopyText(char* destination, const char* source, int size) {
    if (size <= 0) {
        throw std::logic_error("copy with no room");
    }
    int i = 0;
    for (; i < size - 1 && source[i] != '\0'; ++i) {
        destination[i] = source[i];
    }
    destination[i] = '\0';
}

}  // namespace quorvin::testing
