#pragma once

#include <cstddef>

#include "common/AnsiString.h"
#include "platform/Platform.h"

// Text between UTF-16, in which the disk names files, and the system code
// page, in which the editor names them.
namespace quorvin {

// No code page takes more than three bytes for one UTF-16 code unit.
constexpr std::size_t kMostBytesPerUnit = 3;

struct NarrowText {
    AnsiString text;
    // Converted with no default character and back to the very same UTF-16.
    bool exact = false;
};

// The text in the code page, after a prefix already in it (which is not
// looked at for exactness).
NarrowText ToCodePage(Platform& platform, const AnsiString& prefix, const char16_t* text,
                      std::size_t length);
inline NarrowText ToCodePage(Platform& platform, const WideString& text) {
    return ToCodePage(platform, AnsiString(), text.data(), text.size());
}
WideString FromCodePage(Platform& platform, const AnsiString& text);

}  // namespace quorvin
