#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "FakePlatform.h"
#include "MenuDump.h"
#include "menu/MacroMenuBuilder.h"
#include "settings/HostSettings.h"

namespace quorvin {
namespace {

using testing::DumpMenu;
using testing::FakePlatform;
using Lines = std::vector<std::string>;

const std::string kRoot = "C:\\Macros";

void Register(FakePlatform& platform, const std::vector<std::string>& paths) {
    platform.AddKey(kMacrosKey);
    for (std::size_t i = 0; i < paths.size(); ++i) {
        platform.SetString(kMacrosKey, "Macro" + std::to_string(i), paths[i]);
    }
}

Lines Build(FakePlatform& platform, const std::string& folder, std::int32_t style) {
    MacroMenuBuilder builder(platform, platform);
    return DumpMenu(platform, builder.BuildFolderMenu(testing::Decode(folder), style).handle());
}

TEST(MacroMenuBuilder, SkippedFilesLeaveGapsAndFoldersBecomeSubmenus) {
    FakePlatform platform;
    platform.AddFile(kRoot + "\\readme.txt");
    platform.AddFile(kRoot + "\\Sort.jsee");
    platform.AddFolder(kRoot + "\\Tools");
    platform.AddFile(kRoot + "\\Tools\\notes.txt");
    platform.AddFolder(kRoot + "\\Unused");
    platform.AddFile(kRoot + "\\Tools\\Wrap.vbs");
    EXPECT_EQ((Lines{"&2 Sort.jsee #1", "&3 Tools >", "  &2 Wrap.vbs #2", "&4 Unused >"}),
              Build(platform, kRoot, -1));
}

// FAT, exFAT and network shares list a folder in the order it was written:
// every file system gives the menu NTFS gives, by upper-cased name, and an
// ordered listing is only looked over.
TEST(MacroMenuBuilder, EveryFileSystemGivesTheMenuNtfsGives) {
    for (const bool writeOrder : {false, true}) {
        FakePlatform platform;
        platform.listsInWriteOrder = writeOrder;
        for (const char* name : {"b.js", "Sub\\x.js", "~t.js", "a.js", "_u.js", "C.js"}) {
            platform.AddFile(kRoot + "\\" + name);
        }
        EXPECT_EQ((Lines{"&1 a.js #1", "&2 b.js #2", "&3 C.js #3", "&4 Sub >", "  &1 x.js #4",
                         "&5 _u.js #5", "&6 ~t.js #6"}),
                  Build(platform, kRoot, -1))
            << writeOrder;
        if (!writeOrder) EXPECT_EQ(5, platform.nameComparisons) << "one look, no sort";
    }
}

TEST(MacroMenuBuilder, TwelveMacrosPerStyle) {
    struct Case {
        std::int32_t style;
        const char* eleventh;
        const char* twelfth;
    };
    const Case cases[] = {{2, "&A ", "&B "}, {1, "&0 ", "&0 "}, {0, "", ""}, {-1, "", ""}};
    // In the top-level menu and in a sub-menu alike.
    for (const std::string& indent : {"", "  "}) {
        for (const Case& c : cases) {
            FakePlatform platform;
            const std::string folder = kRoot + (indent.empty() ? "" : "\\Sub");
            for (int i = 1; i <= 12; ++i) {
                platform.AddFile(folder + (i < 10 ? "\\m0" : "\\m") + std::to_string(i) + ".js");
            }
            Lines lines = Build(platform, kRoot, c.style);
            if (!indent.empty()) {
                ASSERT_EQ("&1 Sub >", lines[0]);
                lines.erase(lines.begin());
            }
            ASSERT_EQ(12u, lines.size());
            EXPECT_EQ(indent + "&9 m09.js #9", lines[8]) << c.style;
            EXPECT_EQ(indent + "&0 m10.js #10", lines[9]) << c.style;
            EXPECT_EQ(indent + c.eleventh + "m11.js #11", lines[10]) << c.style;
            EXPECT_EQ(indent + c.twelfth + "m12.js #12", lines[11]) << c.style;
        }
    }
}

TEST(MacroMenuBuilder, RegisteredMacrosAreCheckedAndTheCurrentOneIsDefault) {
    FakePlatform platform;
    Register(platform, {"C:\\Other\\x.js", "C:\\Macros\\A.js", "C:\\Macros\\c.js"});
    platform.SetString(kCommonKey, "MacroFile", "C:\\Macros\\c.js");
    platform.AddFile(kRoot + "\\a.js");  // differs only in case: not registered
    platform.AddFile(kRoot + "\\c.js");
    platform.AddFile(kRoot + "\\b.py");
    platform.AddFile(kRoot + "\\A.js");
    // By name, as NTFS lists them; two that differ only in case as written.
    EXPECT_EQ((Lines{"&1 a.js #1", "&2 A.js #9217 checked", "&3 b.py #2",
                     "&4 c.js #9218 checked default"}),
              Build(platform, kRoot, -1));
}

// Whatever the true path, a short form names the macro too; a longer path
// that starts with the macro's does not.
TEST(MacroMenuBuilder, ASettingNamesAMacroByItsPathOrAShortFormOfItOnly) {
    struct Case {
        const char* setting;
        bool names;
    };
    const Case cases[] = {
        {"C:\\Macros folder\\a.js", true},   {"C:\\MACROS~1\\a.js", true},
        {"C:\\Macros folder\\a.jsx", false}, {"C:\\Macros folder\\a.js.bak", false},
        {"C:\\MACROS~1\\a.js.bak", false},   {"C:\\MACROS~1\\a.jsx", false},
    };
    for (const Case& c : cases) {
        FakePlatform platform;
        platform.AddFile("C:\\Macros folder\\a.js");
        Register(platform, {c.setting});
        platform.SetString(kCommonKey, "MacroFile", c.setting);
        EXPECT_EQ(Lines{c.names ? "&1 a.js #9216 checked default" : "&1 a.js #1"},
                  Build(platform, "C:\\Macros folder", -1))
            << c.setting;
    }
}

TEST(MacroMenuBuilder, CurrentMacroThatIsNotRegisteredIsDefaultOnly) {
    FakePlatform platform;
    platform.SetString(kCommonKey, "MacroFile", "C:\\Macros\\Sub\\d.pl");
    platform.AddFile(kRoot + "\\Sub\\d.pl");
    platform.AddFile(kRoot + "\\Sub\\D.pl");  // differs only in case: not current
    EXPECT_EQ((Lines{"&1 Sub >", "  &1 d.pl #1 default", "  &2 D.pl #2"}),
              Build(platform, kRoot, -1));
}

TEST(MacroMenuBuilder, FolderEndingInASeparatorStillMatchesRegisteredPaths) {
    FakePlatform platform;
    Register(platform, {"C:\\Macros\\a.js"});
    platform.SetString(kCommonKey, "MacroFile", "C:\\Macros\\a.js");
    platform.AddFile(kRoot + "\\a.js");
    EXPECT_EQ((Lines{"&1 a.js #9216 checked default"}), Build(platform, kRoot + "\\", -1));
}

TEST(MacroMenuBuilder, FolderEndingInATrailByte5CGetsItsSeparator) {
    FakePlatform platform;
    const std::string soft = "C:\\\x83\x5C";  // C:\ソ
    Register(platform, {soft + "\\a.js"});
    platform.AddFile(soft + "\\a.js");
    EXPECT_EQ((Lines{"&1 a.js #9216 checked"}), Build(platform, soft, -1));
}

TEST(MacroMenuBuilder, AmpersandsInNamesAreShownAsTheyAre) {
    FakePlatform platform;
    platform.AddFile(kRoot + "\\Find&Replace.js");
    platform.AddFolder(kRoot + "\\R&D");
    platform.AddFile(kRoot + "\\R&D\\x.js");
    EXPECT_EQ((Lines{"&1 Find&&Replace.js #1", "&2 R&&D >", "  &1 x.js #2"}),
              Build(platform, kRoot, -1));
}

TEST(MacroMenuBuilder, IdentifiersRunAcrossLevelsInWalkOrder) {
    FakePlatform platform;
    platform.AddFile(kRoot + "\\1.js");
    platform.AddFile(kRoot + "\\A\\2.js");
    platform.AddFile(kRoot + "\\A\\B\\3.js");
    platform.AddFile(kRoot + "\\C.js");
    MacroMenuBuilder builder(platform, platform);
    const Lines lines =
        DumpMenu(platform, builder.BuildFolderMenu(testing::Decode(kRoot), -1).handle());
    EXPECT_EQ(
        (Lines{"&1 1.js #1", "&2 A >", "  &1 2.js #2", "  &2 B >", "    &1 3.js #3", "&3 C.js #4"}),
        lines);
    EXPECT_STREQ("C:\\Macros\\A\\B\\3.js", builder.PathAt(3).c_str());
    EXPECT_TRUE(builder.PathAt(0).empty());
    EXPECT_TRUE(builder.PathAt(5).empty());
    EXPECT_TRUE(builder.IsPathCommand(4));
    EXPECT_FALSE(builder.IsPathCommand(5));
    EXPECT_FALSE(builder.IsPathCommand(0));
}

TEST(MacroMenuBuilder, PathsAreNeverLookedUpAgain) {
    FakePlatform platform;
    MacroMenuBuilder builder(platform, platform);
    EXPECT_EQ(1u, builder.AssignCommandId("C:\\a.js"));
    EXPECT_EQ(2u, builder.AssignCommandId("C:\\a.js"));
}

TEST(MacroMenuBuilder, PathTableHoldsAtMost9213Paths) {
    FakePlatform platform;
    Register(platform, {"C:\\r.js", "C:\\s.js"});
    MacroMenuBuilder builder(platform, platform);
    for (std::uint32_t expected = 1; expected <= 9213; ++expected) {
        ASSERT_EQ(expected, builder.AssignCommandId("C:\\p.js"));
    }
    EXPECT_EQ(0u, builder.AssignCommandId("C:\\p.js"));
    EXPECT_EQ(9217u, builder.AssignCommandId("C:\\s.js"));
    EXPECT_TRUE(builder.IsPathCommand(9213));
    EXPECT_FALSE(builder.IsPathCommand(9214));
    EXPECT_TRUE(builder.IsRegisteredCommand(9217));
    EXPECT_FALSE(builder.IsRegisteredCommand(9218));
}

TEST(MacroMenuBuilder, MacrosPastTheTableAreListedWithIdentifierZero) {
    FakePlatform platform;
    for (int i = 0; i < 9215; ++i) {
        const std::string number = std::to_string(i);
        platform.AddFile(kRoot + "\\m" + std::string(4 - number.size(), '0') + number + ".js");
    }
    const Lines lines = Build(platform, kRoot, 2);
    ASSERT_EQ(9215u, lines.size());
    EXPECT_EQ("m9212.js #9213", lines[9212]);
    // Nothing would run them: grayed.
    EXPECT_EQ("m9213.js #0 grayed", lines[9213]);
    EXPECT_EQ("m9214.js #0 grayed", lines[9214]);
    EXPECT_EQ("&~ m0071.js #72", lines[71]);
    EXPECT_EQ("m0072.js #73", lines[72]);
}

TEST(MacroMenuBuilder, LinksBackIntoTheWalkAreListedButNotEntered) {
    FakePlatform platform;
    platform.AddFile(kRoot + "\\a.js");
    platform.AddLink(kRoot + "\\self", kRoot);
    platform.AddFolder(kRoot + "\\Sub");
    platform.AddLink(kRoot + "\\Sub\\up", kRoot);
    platform.AddLink(kRoot + "\\Sub\\here", kRoot + "\\Sub");
    platform.AddFolder("C:\\Elsewhere");
    platform.AddFile("C:\\Elsewhere\\e.js");
    platform.AddLink(kRoot + "\\Sub\\out", "C:\\Elsewhere");
    EXPECT_EQ((Lines{"&1 a.js #1", "&2 self >", "&3 Sub >", "  &1 here >", "  &2 out >",
                     "    &1 e.js #2", "  &3 up >"}),
              Build(platform, kRoot, -1));
}

TEST(MacroMenuBuilder, ManyLinksToTheRootInEveryLevelStayLinear) {
    FakePlatform platform;
    std::string folder = kRoot;
    for (int level = 0; level < 6; ++level) {
        platform.AddLink(folder + "\\r1", kRoot);
        platform.AddLink(folder + "\\r2", kRoot);
        folder += "\\L" + std::to_string(level);
        platform.AddFolder(folder);
    }
    Build(platform, kRoot, -1);
    EXPECT_EQ(7, platform.enumerations);
}

TEST(MacroMenuBuilder, TreesWithoutLinksAskForNoFolderIdentity) {
    FakePlatform platform;
    platform.AddFile(kRoot + "\\A\\B\\x.js");
    platform.AddFile(kRoot + "\\C\\y.js");
    Build(platform, kRoot, -1);
    EXPECT_EQ(0, platform.identityQueries);

    platform.AddLink(kRoot + "\\C\\link", kRoot + "\\A");
    platform.AddFolder(kRoot + "\\A\\B\\Deeper");
    Build(platform, kRoot, -1);
    EXPECT_GT(platform.identityQueries, 0);
}

TEST(MacroMenuBuilder, EachFolderIsAskedForItsIdentityOnce) {
    FakePlatform platform;
    platform.AddFolder(kRoot);
    platform.AddFolder("C:\\Else\\A");
    platform.AddFolder("C:\\Else\\B");
    platform.AddLink(kRoot + "\\link", "C:\\Else");
    Build(platform, kRoot, -1);
    EXPECT_EQ(4, platform.identityQueries);  // link, root, A and B
}

TEST(MacroMenuBuilder, AFolderOnAnotherVolumeWithTheSameIndexIsEntered) {
    FakePlatform platform;
    platform.AddFile("D:\\Other\\x.js");
    platform.AddLink(kRoot + "\\other", "D:\\Other");
    platform.SetFolderIdentity(u"D:\\Other", 0x5678, platform.FolderIndex(u"C:\\Macros"));
    EXPECT_EQ((Lines{"&1 other >", "  &1 x.js #1"}), Build(platform, kRoot, -1));
}

TEST(MacroMenuBuilder, APlainFolderBelowALinkIsCheckedToo) {
    // Root\\up leads to Outer, whose plain sub-folder is Root again.
    FakePlatform platform;
    platform.AddFile("C:\\Outer\\Macros\\a.js");
    platform.AddLink("C:\\Outer\\Macros\\up", "C:\\Outer");
    EXPECT_EQ((Lines{"&1 a.js #1", "&2 up >", "  &1 Macros >"}),
              Build(platform, "C:\\Outer\\Macros", -1));
}

TEST(MacroMenuBuilder, FolderThatCannotBeEnumeratedGivesAnEmptyMenu) {
    FakePlatform platform;
    EXPECT_EQ(Lines{}, Build(platform, "C:\\Missing", 2));
    EXPECT_EQ(0, platform.OpenFindCount());
}

TEST(MacroMenuBuilder, DeepTreesStopWherePathsGetTooLong) {
    FakePlatform platform;
    std::string folder = kRoot;
    for (int level = 0; level < 40; ++level) {
        folder += "\\level" + std::to_string(level);
        platform.AddFile(folder + "\\a.js");
    }
    const Lines lines = Build(platform, kRoot, -1);
    EXPECT_LT(lines.size(), 80u);
    EXPECT_GT(lines.size(), 30u);
    EXPECT_EQ(">", lines.back().substr(lines.back().size() - 1));  // listed, not entered
    EXPECT_EQ(0, platform.OpenFindCount());
}

TEST(MacroMenuBuilder, NamesOutsideTheCodePageShowTrueNamesAndLendShortPaths) {
    struct Case {
        const char16_t* label;
        const char* path;     // with short names; nullptr: a sub-menu
        const char* noShort;  // without short names; "": grayed, identifier 0
    };
    const Case cases[] = {
        {u"&1 caf\u00E9.js", "C:\\Macros\\CAF~1.JS", ""},
        {u"&2 R&&D \u00E9.jsee", "C:\\Macros\\RD~1.JSE", ""},  // the true name is a macro
        // Written without the default character, but read back as U+FF5E.
        {u"&3 wave\u301C.js", "C:\\Macros\\WAVE~1.JS", ""},
        {u"&4 \u00A5yen.js", "C:\\Macros\\YEN~1.JS", ""},  // not "\\yen.js"
        {u"&5 \u30BD\u30D5\u30C8.js", "C:\\Macros\\\x83\x5C\x83\x74\x83\x67.js",
         "C:\\Macros\\\x83\x5C\x83\x74\x83\x67.js"},
        // Short names longer than the names: 한국어 is B443~1, 안녕.js EDCA~1.JS.
        {u"&6 \uD55C\uAD6D\uC5B4", nullptr, nullptr},
        {u"&7 \U0001F600 smile.js", "C:\\Macros\\SMILE~1.JS", ""},
        {u"&1 plain.js", "C:\\Macros\\B443~1\\plain.js", ""},
        {u"&2 \uC548\uB155.js", "C:\\Macros\\B443~1\\EDCA~1.JS", ""},
    };
    for (const bool shortNames : {true, false}) {
        FakePlatform platform;
        platform.shortNames = shortNames;
        platform.AddFile(u"C:\\Macros\\caf\u00E9.js");
        platform.AddFile(u"C:\\Macros\\\u00A5yen.js");
        platform.AddFile(u"C:\\Macros\\\U0001F600 smile.js");
        platform.AddFile(u"C:\\Macros\\R&D \u00E9.jsee");
        platform.AddFile(u"C:\\Macros\\\u30BD\u30D5\u30C8.js");
        platform.oneWayMappings[0x301C] = "\x81\x60";
        platform.AddFile(u"C:\\Macros\\wave\u301C.js");
        platform.AddFile(u"C:\\Macros\\\uD55C\uAD6D\uC5B4\\\uC548\uB155.js");
        platform.AddFile(u"C:\\Macros\\\uD55C\uAD6D\uC5B4\\plain.js");
        Register(platform, {"C:\\Macros\\Other.js", "C:\\Macros\\CAF~1.JS"});
        platform.SetString(kCommonKey, "MacroFile", "C:\\Macros\\YEN~1.JS");
        MacroMenuBuilder builder(platform, platform);
        const MenuHandle top = builder.BuildFolderMenu(testing::Decode(kRoot), -1).handle();
        std::vector<FakePlatform::Item> items = platform.MenuAt(top).items;
        const auto& inner = platform.MenuAt(items[5].submenu).items;
        items.insert(items.end(), inner.begin(), inner.end());
        ASSERT_EQ(std::size(cases), items.size());
        std::set<std::uint32_t> pathIds;
        for (std::size_t i = 0; i < items.size(); ++i) {
            const Case& c = cases[i];
            const FakePlatform::Item& item = items[i];
            const std::string what =
                testing::Utf8(c.label) + (shortNames ? "" : ", no short names");
            EXPECT_EQ(std::u16string(c.label), item.trueLabel) << what;
            const char* path = shortNames ? c.path : c.noShort;
            if (path == nullptr) {
                EXPECT_NE(nullptr, item.submenu) << what;
            } else if (*path == '\0') {
                EXPECT_EQ(0u, item.id) << what;
                EXPECT_EQ(0x3u, item.state) << what;  // grayed only
            } else if (std::string(path) == "C:\\Macros\\CAF~1.JS") {
                EXPECT_EQ(9217u, item.id) << what;  // registered by its short path
                EXPECT_EQ(0x8u, item.state) << what;
            } else {
                EXPECT_TRUE(item.id != 0 && pathIds.insert(item.id).second) << what;
                EXPECT_STREQ(path, builder.PathAt(item.id).c_str()) << what;
                const bool current = std::string(path) == "C:\\Macros\\YEN~1.JS";
                EXPECT_EQ(current ? 0x1000u : 0u, item.state) << what;
            }
        }
    }
}

// The Unicode editor names its folder, registered and current macros by their
// true paths; 한국어 매크로 is not in code page 932.
TEST(MacroMenuBuilder, AFolderOutsideTheCodePageKnowsTheEditorsMacros) {
    const std::u16string root = u"C:\\\uD55C\uAD6D\uC5B4 \uB9E4\uD06C\uB85C";
    for (const bool shortNames : {true, false}) {
        FakePlatform platform;
        platform.shortNames = shortNames;
        for (const char16_t* name :
             {u"reg.js", u"cur.js", u"plain.js", u"Sub\\in.js", u"short.js"}) {
            platform.AddFile(root + u"\\" + name);
        }
        WideString shortPlain, shortReg;
        platform.ShortPathOf((root + u"\\plain.js").c_str(), &shortPlain);
        platform.ShortPathOf((root + u"\\short.js").c_str(), &shortReg);
        platform.AddKey(kMacrosKey);
        platform.SetWideString(kMacrosKey, "Macro0", root + u"\\reg.js");
        platform.SetString(kMacrosKey, "Macro1", testing::Encode(shortReg));  // by its short path
        platform.SetWideString(kCommonKey, "MacroFile", root + u"\\cur.js");
        MacroMenuBuilder builder(platform, platform);
        const Lines menu = DumpMenu(platform, builder.BuildFolderMenu(root, -1).handle());
        if (shortNames) {
            EXPECT_EQ((Lines{"&1 cur.js #1 default", "&2 plain.js #2", "&3 reg.js #9216 checked",
                             "&4 short.js #9217 checked", "&5 Sub >", "  &1 in.js #3"}),
                      menu);
            EXPECT_EQ(testing::Encode(shortPlain), builder.PathAt(2).c_str());
        } else {
            // No narrow path opens them; a registered macro still runs by its number.
            EXPECT_EQ((Lines{"&1 cur.js #0 default grayed", "&2 plain.js #0 grayed",
                             "&3 reg.js #9216 checked", "&4 short.js #0 grayed", "&5 Sub >",
                             "  &1 in.js #0 grayed"}),
                      menu);
        }
    }
}

TEST(MacroMenuBuilder, LinksSharingATargetWalkItOnce) {
    // L0 to L11, each with a macro and two links to the next: 2^12 walks unguarded.
    FakePlatform platform;
    for (int level = 0; level < 12; ++level) {
        const std::string folder = kRoot + "\\L" + std::to_string(level);
        platform.AddFile(folder + "\\m.js");
        platform.AddLink(folder + "\\n", kRoot + "\\L" + std::to_string(level + 1));
        platform.AddLink(folder + "\\o", kRoot + "\\L" + std::to_string(level + 1));
    }
    platform.AddFile(kRoot + "\\L12\\m.js");
    const Lines lines = Build(platform, kRoot + "\\L0", -1);
    EXPECT_EQ(13, platform.enumerations);
    EXPECT_EQ(13, std::count_if(lines.begin(), lines.end(), [](const std::string& line) {
                  return line.find("m.js #") != std::string::npos;
              }));
    EXPECT_EQ((Lines{"&1 m.js #1", "&2 n >", "  &1 m.js #2", "  &2 n >"}),
              Lines(lines.begin(), lines.begin() + 4));
    EXPECT_EQ("&3 o >", lines.back());  // listed, its menu empty

    // A folder walked with no link on the way is still entered through one.
    FakePlatform plain;
    plain.AddFile(kRoot + "\\A\\x.js");
    plain.AddLink(kRoot + "\\toA", kRoot + "\\A");
    plain.AddLink(kRoot + "\\viaA", kRoot + "\\A");
    EXPECT_EQ((Lines{"&1 A >", "  &1 x.js #1", "&2 toA >", "  &1 x.js #2", "&3 viaA >"}),
              Build(plain, kRoot, -1));

    // Y, walked as a plain folder below the link A, is not walked again through B.
    FakePlatform below;
    below.AddFile("C:\\X\\Y\\y.js");
    below.AddLink(kRoot + "\\A", "C:\\X");
    below.AddLink(kRoot + "\\B", "C:\\X\\Y");
    EXPECT_EQ((Lines{"&1 A >", "  &1 Y >", "    &1 y.js #1", "&2 B >"}), Build(below, kRoot, -1));
    EXPECT_EQ(3, below.enumerations);
}

TEST(MacroMenuBuilder, CapsOnMenusAndEntries) {
    struct Case {
        const char* what;
        WalkLimits limits;
        Lines menu;
        int enumerations;
        const char16_t* refusedSubmenu = u"";  // as when the system will not nest it
    };
    // Root: a.js, B (b.js, C (c.js)), d.js, E (e.js): 8 entries, 4 menus.
    const Case cases[] = {
        {"at both caps exactly",
         {4, 8},
         {"&1 a.js #1", "&2 B >", "  &1 b.js #2", "  &2 C >", "    &1 c.js #3", "&3 d.js #4",
          "&4 E >", "  &1 e.js #5"},
         4},
        {"one menu short",
         {3, 8},
         {"&1 a.js #1", "&2 B >", "  &1 b.js #2", "  &2 C >", "    &1 c.js #3", "&3 d.js #4",
          "&4 E #0 grayed"},
         3},
        {"a folder and all below it past the menu cap",
         {2, 8},
         {"&1 a.js #1", "&2 B >", "  &1 b.js #2", "  &2 C #0 grayed", "&3 d.js #3",
          "&4 E #0 grayed"},
         2},
        {"one entry short",
         {4, 7},
         {"&1 a.js #1", "&2 B >", "  &1 b.js #2", "  &2 C >", "    &1 c.js #3", "&3 d.js #4",
          "&4 E >", "\x81\x63 #0 grayed"},  // "…" in code page 932
         4},
        {"the cap inside a sub-folder",
         {4, 3},
         {"&1 a.js #1", "&2 B >", "  &1 b.js #2", "\x81\x63 #0 grayed"},
         2},
        {"the cap on a folder entry",
         {4, 4},
         {"&1 a.js #1", "&2 B >", "  &1 b.js #2", "  &2 C >", "\x81\x63 #0 grayed"},
         3},
        {"a sub-menu refused: grayed like one past the cap, in its place",
         {4, 8},
         {"&1 a.js #1", "&2 B #0 grayed", "&3 d.js #4", "&4 E >", "  &1 e.js #5"},
         4,
         u"&2 B"},
    };
    for (const Case& c : cases) {
        FakePlatform platform;
        platform.AddFile(kRoot + "\\a.js");
        platform.AddFile(kRoot + "\\B\\b.js");
        platform.AddFile(kRoot + "\\B\\C\\c.js");
        platform.AddFile(kRoot + "\\d.js");
        platform.AddFile(kRoot + "\\E\\e.js");
        platform.refusedSubmenuLabel = c.refusedSubmenu;
        {
            MacroMenuBuilder builder(platform, platform, c.limits);
            EXPECT_EQ(
                c.menu,
                DumpMenu(platform, builder.BuildFolderMenu(testing::Decode(kRoot), -1).handle()))
                << c.what;
            EXPECT_EQ(c.enumerations, platform.enumerations) << c.what;
            EXPECT_LE(platform.LiveMenuCount(), c.limits.menus) << c.what;
        }
        EXPECT_EQ(0, platform.OpenFindCount()) << c.what;
        EXPECT_EQ(0, platform.LiveMenuCount()) << c.what;
    }
}

TEST(MacroMenuBuilder, DestroysEveryMenuNewestFirst) {
    FakePlatform platform;
    platform.AddFile(kRoot + "\\A\\x.js");
    platform.AddFolder(kRoot + "\\A\\Y");
    platform.AddFolder(kRoot + "\\C");
    MenuHandle top = nullptr;
    {
        MacroMenuBuilder builder(platform, platform);
        top = builder.BuildFolderMenu(testing::Decode(kRoot), -1).handle();
        EXPECT_EQ(4, platform.LiveMenuCount());
    }
    EXPECT_EQ(0, platform.LiveMenuCount());
    ASSERT_EQ(4u, platform.destroyedOrder.size());
    EXPECT_EQ(top, platform.destroyedOrder.back());
    const auto& items = platform.MenuAt(top).items;
    const MenuHandle a = items[0].submenu;
    const MenuHandle c = items[1].submenu;
    const MenuHandle b = platform.MenuAt(a).items[1].submenu;
    EXPECT_EQ((std::vector<MenuHandle>{c, b, a, top}), platform.destroyedOrder);
}

}  // namespace
}  // namespace quorvin
