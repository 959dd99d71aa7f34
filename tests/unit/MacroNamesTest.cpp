#include <gtest/gtest.h>

#include <string>

#include "FakePlatform.h"
#include "menu/MacroNames.h"

namespace quorvin {
namespace {

TEST(AcceleratorPrefix, FollowsPositionAndStyle) {
    struct Case {
        int index;
        std::int32_t style;
        const char* expected;
    };
    const Case cases[] = {
        {0, -1, "&1 "},  {8, 0, "&9 "},  {9, -1, "&0 "}, {9, 2, "&0 "},  {10, 1, "&0 "},
        {500, 1, "&0 "}, {10, 2, "&A "}, {35, 2, "&Z "}, {36, 2, "&[ "}, {71, 2, "&~ "},
        {72, 2, ""},     {73, 2, ""},    {200, 2, ""},   {201, 2, ""},   {10000, 2, ""},
        {10, 0, ""},     {10, -1, ""},   {10, 3, ""},    {11, 7, ""},    {0, 2, "&1 "},
    };
    for (const Case& c : cases) {
        EXPECT_STREQ(c.expected, AcceleratorPrefix(c.index, c.style).c_str())
            << "index " << c.index << " style " << c.style;
    }
}

TEST(AcceleratorPrefix, StyleTwoPrefixesArePrintableAscii) {
    for (int index = 0; index < 300; ++index) {
        const AnsiString prefix = AcceleratorPrefix(index, 2);
        for (std::size_t i = 0; i < prefix.size(); ++i) {
            const auto byte = static_cast<unsigned char>(prefix.c_str()[i]);
            EXPECT_TRUE(byte >= 0x20 && byte <= 0x7E) << "index " << index << " byte " << i;
        }
    }
}

TEST(IsMacroFileName, LooksAtTheLastExtensionInAnyCase) {
    struct Case {
        const char* name;
        bool expected;
    };
    const Case cases[] = {
        {"Tool.JSEE", true},
        {"NOTES.PY", true},
        {"a.RbEe", true},
        {".js", true},
        {"x.vbs", true},
        {"x.vbee", true},
        {"x.pl", true},
        {"x.plee", true},
        {"x.pls", true},
        {"x.pyee", true},
        {"x.php", true},
        {"x.phpee", true},
        {"x.rb", true},
        {"x.js", true},
        {"tool.js.bak", false},
        {"archive.js.zip", false},
        {"tool.", false},
        {"script", false},
        {"", false},
        {"x.jss", false},
        {"x.j", false},
        {"x.txt", false},
        {"\x83\x5C\x83\x74\x83\x67.js", true},  // ソフト.js
        {"\x83\x5C\x83\x74\x83\x67", false},    // ソフト
        {"a.\x82\x60", false},                  // a.Ａ (a double-byte letter)
        {"dir.js\\file", false},
    };
    for (const Case& c : cases) {
        testing::FakePlatform platform;
        EXPECT_EQ(c.expected, IsMacroFileName(platform, c.name)) << c.name;
    }
}

TEST(EscapeAccelerators, DoublesEveryAmpersand) {
    struct Case {
        const char* name;
        const char* expected;
    };
    const Case cases[] = {
        {"plain.js", "plain.js"},
        {"A&B.js", "A&&B.js"},
        {"&&", "&&&&"},
        {"&", "&&"},
        {"end&", "end&&"},
        {"", ""},
        {"\x83\x5C&.js", "\x83\x5C&&.js"},
    };
    for (const Case& c : cases) {
        EXPECT_STREQ(c.expected, EscapeAccelerators(c.name).c_str()) << c.name;
    }
}

TEST(JoinPath, AddsOneSeparatorUnlessTheFolderEndsInOne) {
    struct Case {
        const char* folder;
        const char* expected;
    };
    const Case cases[] = {
        {"C:\\Macros", "C:\\Macros\\a.js"},
        {"C:\\Macros\\", "C:\\Macros\\a.js"},
        {"C:\\", "C:\\a.js"},
        {"C:\\\x83\x5C", "C:\\\x83\x5C\\a.js"},    // ends in ソ: 0x5C is a trail byte
        {"C:\\\x83\x5C\\", "C:\\\x83\x5C\\a.js"},  // ソ then a real separator
        {"C:\\x\x83", "C:\\x\x83\\a.js"},          // a lone lead byte at the end
    };
    for (const Case& c : cases) {
        testing::FakePlatform platform;
        EXPECT_STREQ(c.expected, JoinPath(platform, c.folder, "a.js").c_str()) << c.folder;
    }
}

}  // namespace
}  // namespace quorvin
