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

TEST(IsMacroFileName, LooksAtTheLastExtensionOfTheTrueNameInAnyCase) {
    struct Case {
        const char16_t* name;
        bool expected;
    };
    const Case cases[] = {
        {u"Tool.JSEE", true},
        {u"NOTES.PY", true},
        {u"a.RbEe", true},
        {u".js", true},
        {u"x.vbs", true},
        {u"x.vbee", true},
        {u"x.pl", true},
        {u"x.plee", true},
        {u"x.pls", true},
        {u"x.pyee", true},
        {u"x.php", true},
        {u"x.phpee", true},
        {u"x.rb", true},
        {u"x.js", true},
        {u"a.txt.js", true},
        {u"tool.js.bak", false},
        {u"archive.js.zip", false},
        {u"tool.", false},
        {u"script", false},
        {u"", false},
        {u"x.jss", false},
        {u"x.j", false},
        {u"x.txt", false},
        {u"\u30BD\u30D5\u30C8.js", true},  // ソフト.js
        {u"\u30BD\u30D5\u30C8", false},    // ソフト
        {u"a.\uFF21", false},              // a.Ａ (a full-width letter)
        {u"dir.js\\file", false},
        {u"Pr\u00FCfung.JSEE", true},  // its short name would end in .JSE
        {u"\U0001F600 smile.js", true},
        {u"\u0395\u03BB\u03BB\u03B7\u03BD\u03B9\u03BA\u03AC.Pl", true},  // Ελληνικά.Pl
        {u"x.j\u00E9", false},
    };
    for (const Case& c : cases) {
        testing::FakePlatform platform;
        EXPECT_EQ(c.expected, IsMacroFileName(platform, c.name)) << testing::Utf8(c.name);
    }
}

TEST(EscapeAccelerators, DoublesEveryAmpersand) {
    struct Case {
        const char16_t* name;
        const char16_t* expected;
    };
    const Case cases[] = {
        {u"plain.js", u"plain.js"},
        {u"A&B.js", u"A&&B.js"},
        {u"&&", u"&&&&"},
        {u"&", u"&&"},
        {u"end&", u"end&&"},
        {u"", u""},
        {u"\u30BD&.js", u"\u30BD&&.js"},
        {u"\U0001F600&\u00E9.js", u"\U0001F600&&\u00E9.js"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(std::u16string(c.expected), EscapeAccelerators(c.name)) << testing::Utf8(c.name);
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
