#include "menu/EditorPath.h"

#include "menu/MacroNames.h"

namespace quorvin {

WalkFolder RootFolder(Platform& platform, const AnsiString& folder) {
    WalkFolder root;
    root.narrow = JoinPath(platform, folder, "");
    root.wide = FromCodePage(platform, root.narrow);
    return root;
}

WalkFolder SubFolder(const WalkFolder& parent, const WideString& name,
                     const NarrowText& narrowName) {
    WalkFolder folder;
    folder.wide = parent.wide + name + u'\\';
    folder.narrow = parent.narrow + narrowName.text;
    folder.narrow.Append("\\", 1);
    folder.exact = parent.exact && narrowName.exact;
    return folder;
}

bool EditorPathOf(Platform& platform, const WalkFolder& folder, const WideString& name,
                  const NarrowText& narrowName, AnsiString* path) {
    if (folder.exact && narrowName.exact) {
        *path = folder.narrow + narrowName.text;
        return true;
    }
    WideString shortPath;
    if (!platform.ShortPathOf((folder.wide + name).c_str(), &shortPath)) {
        return false;
    }
    NarrowText narrow = ToCodePage(platform, shortPath);
    if (!narrow.exact) {
        return false;
    }
    *path = static_cast<AnsiString&&>(narrow.text);
    return true;
}

}  // namespace quorvin
