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

bool EqualsAscii(const WideString& text, const char* ascii) {
    std::size_t i = 0;
    for (; i < text.size() && ascii[i] != '\0'; ++i) {
        if (text[i] != static_cast<unsigned char>(ascii[i])) {
            return false;
        }
    }
    return i == text.size() && ascii[i] == '\0';
}

// The name with every "&" doubled, after a prefix, in one allocation: the
// walk makes one label per entry.
WideString Escaped(const char16_t* prefix, std::size_t prefixLength, const char16_t* name) {
    std::size_t length = prefixLength;
    for (const char16_t* p = name; *p != u'\0'; ++p) {
        length += *p == u'&' ? 2 : 1;
    }
    WideString label;
    label.reserve(length);
    label.append(prefix, prefixLength);
    for (const char16_t* p = name; *p != u'\0'; ++p) {
        label.push_back(*p);
        if (*p == u'&') {
            label.push_back(u'&');
        }
    }
    return label;
}

// The key of a walk position's prefix, or 0 for no prefix.
char AcceleratorKey(int index, std::int32_t style) {
    if (index >= 0 && index <= 8) {
        return static_cast<char>('1' + index);
    }
    if (style == 1 || index == 9) {
        return '0';
    }
    if (style == 2 && index > 9 && index + kLetterBase <= kLastPrintable) {
        return static_cast<char>(index + kLetterBase);
    }
    return '\0';
}

}  // namespace

WideString AcceleratorPrefix(int index, std::int32_t style) {
    const char key = AcceleratorKey(index, style);
    if (key == '\0') {
        return WideString();
    }
    return WideString{u'&', static_cast<char16_t>(key), u' '};
}

bool IsMacroFileName(Platform& platform, const char16_t* name) {
    const char16_t* dot = nullptr;
    for (const char16_t* p = name; *p != u'\0'; ++p) {
        if (*p == u'.') {
            dot = p;
        }
    }
    if (dot == nullptr || dot[1] == u'\0') {
        return false;
    }
    WideString extension(dot + 1);
    platform.LowerInPlace(&extension[0]);
    for (const char* candidate : kMacroExtensions) {
        if (EqualsAscii(extension, candidate)) {
            return true;
        }
    }
    return false;
}

WideString EscapeAccelerators(const char16_t* name) { return Escaped(nullptr, 0, name); }

WideString ItemLabel(int index, std::int32_t style, const char16_t* name) {
    const char key = AcceleratorKey(index, style);
    const char16_t prefix[] = {u'&', static_cast<char16_t>(key), u' '};
    return Escaped(prefix, key == '\0' ? 0 : sizeof prefix / sizeof prefix[0], name);
}

}  // namespace quorvin
