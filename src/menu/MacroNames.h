#pragma once

#include <cstddef>
#include <cstdint>

#include "common/AnsiString.h"
#include "platform/Platform.h"

namespace quorvin {

// The file extensions that mark a macro, lower case, in the order they are tried.
extern const char* const kMacroExtensions[];
extern const std::size_t kMacroExtensionCount;

// The keyboard prefix of the item at a menu's walk position (from 0): &1 to &9,
// then &0, then per style letters (2), &0 again (1) or nothing.
WideString AcceleratorPrefix(int index, std::int32_t style);

// Whether the name's last extension is a macro extension, in any letter case.
bool IsMacroFileName(Platform& platform, const char16_t* name);

// A file or folder name as a menu shows it verbatim: "&" becomes "&&".
WideString EscapeAccelerators(const char16_t* name);

// The label of the entry at a menu's walk position: its prefix, then its name.
WideString ItemLabel(int index, std::int32_t style, const char16_t* name);

}  // namespace quorvin
