#include "menu/EditorPath.h"

#include "menu/MacroNames.h"

namespace quorvin {

WalkFolder RootFolder(Platform& platform, const AnsiString& folder) {
    WalkFolder root;
    root.narrow = JoinPath(platform, folder, "");
    root.wide = FromCodePage(platform, root.narrow);
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
                  std::size_t length, AnsiString* path) {
    NarrowText narrow = ToCodePage(platform, folder.narrow, name, length);
    if (!folder.exact || !narrow.exact) {
        WideString shortPath;
        if (!platform.ShortPathOf((folder.wide + name).c_str(), &shortPath)) {
            return false;
        }
        narrow = ToCodePage(platform, shortPath);
        if (!narrow.exact) {
            return false;
        }
    }
    *path = static_cast<AnsiString&&>(narrow.text);
    return true;
}

}  // namespace quorvin
