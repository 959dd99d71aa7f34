#include "menu/EditorPath.h"

#include <utility>

namespace quorvin {

WalkFolder RootFolder(Platform& platform, const WideString& folder) {
    WalkFolder root;
    root.wide = folder;
    // In UTF-16 no other character's unit is a separator, as a trail byte
    // 0x5C is in a double-byte code page.
    if (root.wide.empty() || root.wide.back() != u'\\') {
        root.wide.push_back(u'\\');
    }
    NarrowText narrow = ToCodePage(platform, root.wide);
    root.narrow = static_cast<AnsiString&&>(narrow.text);
    root.exact = narrow.exact;
    return root;
}

WalkFolder SubFolder(Platform& platform, const WalkFolder& parent, const char16_t* name,
                     std::size_t length) {
    NarrowText narrow = ToCodePage(platform, parent.narrow, name, length);
    WalkFolder folder;
    folder.wide = parent.wide;
    folder.wide.append(name, length).push_back(u'\\');
    folder.narrow = static_cast<AnsiString&&>(narrow.text);
    folder.narrow.Append("\\", 1);
    folder.exact = parent.exact && narrow.exact;
    return folder;
}

bool EditorPathOf(Platform& platform, const WalkFolder& folder, const char16_t* name,
                  std::size_t length, EditorPath* path) {
    NarrowText narrow = ToCodePage(platform, folder.narrow, name, length);
    if (folder.exact && narrow.exact) {
        path->narrow = static_cast<AnsiString&&>(narrow.text);
        path->shortPath.clear();
        return true;
    }
    WideString shortPath;
    if (!platform.ShortPathOf((folder.wide + name).c_str(), &shortPath)) {
        return false;
    }
    narrow = ToCodePage(platform, shortPath);
    if (!narrow.exact) {
        return false;
    }
    path->narrow = static_cast<AnsiString&&>(narrow.text);
    path->shortPath = std::move(shortPath);
    return true;
}

}  // namespace quorvin
