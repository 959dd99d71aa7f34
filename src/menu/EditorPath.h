#pragma once

#include <cstddef>

#include "common/AnsiString.h"
#include "common/CodePage.h"
#include "platform/Platform.h"

namespace quorvin {

// A folder of the walk as the disk names it (UTF-16) and as the editor does
// (the code page), each ending in a separator, ready for a name.
struct WalkFolder {
    WideString wide;
    AnsiString narrow;
    bool exact = true;  // narrow names this very folder
};

// The macro folder as the editor's setting names it, in its true text.
WalkFolder RootFolder(Platform& platform, const WideString& folder);
WalkFolder SubFolder(Platform& platform, const WalkFolder& parent, const char16_t* name,
                     std::size_t length);

// The path by which the editor, which reads paths in the code page, opens a
// file: the true path in the code page, or its short form.
struct EditorPath {
    AnsiString narrow;
    WideString shortPath;  // in UTF-16; empty when narrow is the true path itself
};

// The editor's path of the file of that name in the folder: the path itself
// when the code page holds it exactly, else the short form of the whole path
// when the code page holds that exactly. False when neither does, as on a
// volume without short names.
bool EditorPathOf(Platform& platform, const WalkFolder& folder, const char16_t* name,
                  std::size_t length, EditorPath* path);

}  // namespace quorvin
