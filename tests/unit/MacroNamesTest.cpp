#include <gtest/gtest.h>

#include <string>

#include "FakePlatform.h"
#include "menu/EditorPath.h"
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
        EXPECT_EQ(c.expected, testing::Utf8(AcceleratorPrefix(c.index, c.style)))
            << "index " << c.index << " style " << c.style;
    }
}

TEST(AcceleratorPrefix, StyleTwoPrefixesArePrintableAscii) {
    for (int index = 0; index < 300; ++index) {
        const WideString prefix = AcceleratorPrefix(index, 2);
        for (std::size_t i = 0; i < prefix.size(); ++i) {
            EXPECT_TRUE(prefix[i] >= 0x20 && prefix[i] <= 0x7E)
                << "index " << index << " unit " << i;
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

TEST(RootFolder, AddsOneSeparatorUnlessTheFolderEndsInOne) {
    struct Case {
        const char16_t* folder;
        const char16_t* expected;
        const char* narrow;  // nullptr: the code page does not hold it
    };
    const Case cases[] = {
        {u"C:\\Macros", u"C:\\Macros\\", "C:\\Macros\\"},
        {u"C:\\Macros\\", u"C:\\Macros\\", "C:\\Macros\\"},
        {u"C:\\", u"C:\\", "C:\\"},
        {u"C:\\\u30BD", u"C:\\\u30BD\\", "C:\\\x83\x5C\\"},  // ends in ソ, whose trail byte is 0x5C
        {u"C:\\\u30BD\\", u"C:\\\u30BD\\", "C:\\\x83\x5C\\"},
        {u"C:\\\u0141\u00F3d\u017A\\", u"C:\\\u0141\u00F3d\u017A\\", nullptr},  // Łódź
        {u"C:\\\u00A5", u"C:\\\u00A5\\", nullptr},  // ¥ would best-fit to a separator
    };
    for (const Case& c : cases) {
        testing::FakePlatform platform;
        const WalkFolder root = RootFolder(platform, c.folder);
        EXPECT_EQ(std::u16string(c.expected), root.wide) << testing::Utf8(c.folder);
        EXPECT_EQ(c.narrow != nullptr, root.exact) << testing::Utf8(c.folder);
        if (c.narrow) EXPECT_STREQ(c.narrow, root.narrow.c_str()) << testing::Utf8(c.folder);
    }
}

}  // namespace
}  // namespace quorvin
