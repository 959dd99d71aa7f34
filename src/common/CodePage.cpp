#include "common/CodePage.h"

#include <string>
#include <vector>

namespace quorvin {

namespace {

// Names fit on the stack; only long paths need the heap.
constexpr std::size_t kStackBytes = 1024;
// No code page takes more than three bytes for one UTF-16 code unit.
constexpr std::size_t kBytesPerUnit = 3;

}  // namespace

NarrowText ToCodePage(Platform& platform, const char16_t* text, std::size_t length) {
    NarrowText result;
    if (length == 0) {
        result.exact = true;
        return result;
    }
    char stackBytes[kStackBytes];
    std::vector<char> heapBytes;
    char* bytes = stackBytes;
    const std::size_t room = length * kBytesPerUnit;
    if (room > kStackBytes) {
        heapBytes.resize(room);
        bytes = heapBytes.data();
    }
    bool usedDefault = false;
    const int written = platform.ToCodePage(text, static_cast<int>(length), bytes,
                                            static_cast<int>(room), &usedDefault);
    if (written <= 0) {
        return result;
    }
    result.text = AnsiString(bytes, static_cast<std::size_t>(written));
    if (usedDefault) {
        return result;
    }
    // Some characters map to bytes that read back as another character; only
    // a text that reads back unchanged names the same file.
    char16_t stackUnits[kMaxPath];
    WideString heapUnits;
    char16_t* back = stackUnits;
    if (length > kMaxPath) {
        heapUnits.resize(length);
        back = &heapUnits[0];
    }
    const int units = platform.FromCodePage(bytes, written, back, static_cast<int>(length));
    result.exact = units == static_cast<int>(length) &&
                   std::char_traits<char16_t>::compare(back, text, length) == 0;
    return result;
}

WideString FromCodePage(Platform& platform, const AnsiString& text) {
    if (text.empty()) {
        return WideString();
    }
    // One code unit per byte at most.
    WideString wide(text.size(), u'\0');
    const int units = platform.FromCodePage(text.c_str(), static_cast<int>(text.size()), &wide[0],
                                            static_cast<int>(wide.size()));
    wide.resize(units > 0 ? static_cast<std::size_t>(units) : 0);
    return wide;
}

}  // namespace quorvin
