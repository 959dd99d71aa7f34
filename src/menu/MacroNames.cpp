#include "menu/MacroNames.h"

#include <cstring>

namespace quorvin {

const char* const kMacroExtensions[] = {"jsee", "js",   "vbs", "vbee",  "pl", "plee", "pls",
                                        "py",   "pyee", "php", "phpee", "rb", "rbee"};
const std::size_t kMacroExtensionCount = sizeof kMacroExtensions / sizeof kMacroExtensions[0];

namespace {

// Style 2 letters run from &A at position 10 up to &~ at position 71; past that
// the code would leave printable ASCII for control bytes, lead bytes or zero.
constexpr int kLetterBase = 55;
constexpr int kLastPrintable = '~';

// Start of the last character of the text, or nullptr for an empty text.
const char* LastCharacter(Platform& platform, const char* text) {
    const char* last = nullptr;
    for (const char* p = text; *p != '\0'; p = platform.NextChar(p)) {
        last = p;
    }
    return last;
}

}  // namespace

AnsiString AcceleratorPrefix(int index, std::int32_t style) {
    if (index >= 0 && index <= 8) {
        return AnsiString::Format("&%1d ", index + 1);
    }
    if (style == 1 || index == 9) {
        return AnsiString("&0 ");
    }
    if (style == 2 && index > 9 && index + kLetterBase <= kLastPrintable) {
        return AnsiString::Format("&%c ", index + kLetterBase);
    }
    return AnsiString();
}

bool IsMacroFileName(Platform& platform, const char* name) {
    const char* dot = nullptr;
    for (const char* p = name; *p != '\0'; p = platform.NextChar(p)) {
        if (*p == '.') {
            dot = p;
        }
    }
    if (dot == nullptr) {
        return false;
    }
    AnsiString extension(dot + 1);
    if (extension.empty()) {
        return false;
    }
    platform.LowerInPlace(extension.MutableData());
    for (const char* candidate : kMacroExtensions) {
        if (SameText(platform, extension.c_str(), candidate)) {
            return true;
        }
    }
    return false;
}

AnsiString EscapeAccelerators(const char* name) {
    // "&" (0x26) is below every trail byte of the double-byte code pages, so a
    // plain byte scan cannot split a character.
    AnsiString label;
    const char* run = name;
    for (const char* amp = std::strchr(run, '&'); amp != nullptr; amp = std::strchr(run, '&')) {
        label.Append(run, static_cast<std::size_t>(amp - run) + 1);
        label.Append("&", 1);
        run = amp + 1;
    }
    label += run;
    return label;
}

AnsiString JoinPath(Platform& platform, const AnsiString& folder, const char* name) {
    AnsiString path(folder);
    const char* last = LastCharacter(platform, folder.c_str());
    const bool endsInSeparator =
        last != nullptr && *last == '\\' && platform.NextChar(last) == last + 1;
    if (!endsInSeparator) {
        path.Append("\\", 1);
    }
    path += name;
    return path;
}

}  // namespace quorvin
