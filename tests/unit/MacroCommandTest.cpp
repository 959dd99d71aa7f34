#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "FakePlatform.h"
#include "MenuDump.h"
#include "command/MacroCommand.h"
#include "menu/MacroNames.h"
#include "settings/HostSettings.h"
#include "settings/LoanJournal.h"

namespace quorvin {
namespace {

using testing::DumpMenu;
using testing::FakePlatform;
using Lines = std::vector<std::string>;

const std::string kRoot = "C:\\Macros";
const std::string kCommon = kCommonKey;
const std::string kMacros = kMacrosKey;
WindowHandle const kWindow = reinterpret_cast<WindowHandle>(0xED);

class MacroCommand : public ::testing::Test {
  protected:
    MacroCommand() {
        platform.strings[500] = "Open folder";
        platform.strings[501] = "No macros found";
        platform.strings[502] = "Open folder(&O)";
        platform.SetString(kCommon, "MacroFolder", kRoot);
        platform.AddKey(kMacros);
    }

    void Run() { RunMacroMenuCommand(platform, platform, texts, kWindow); }

    Lines ShownMenu() const { return DumpMenu(platform, platform.shownMenu); }

    void ExpectEverythingReleased() const {
        EXPECT_EQ(0, platform.LiveMenuCount());
        EXPECT_EQ(0, platform.OpenKeyCount());
        EXPECT_EQ(0, platform.OpenFindCount());
    }

    FakePlatform platform;
    PluginTexts texts;
};

TEST_F(MacroCommand, WithoutAFolderTellsTheEditorAndShowsNoMenu) {
    // Key absent, value absent, value empty; in UTF-16 to an English editor,
    // which the narrow text would show as question marks.
    for (const LResult language : {0, 0x411, 0x409}) {
        for (int variant = 0; variant < 3; ++variant) {
            FakePlatform p;
            p.editorLanguage = language;
            p.strings[501] = "No macros found";
            p.strings[1501] = "No macro folder is set.";
            if (variant == 1) {
                p.AddKey(kCommon);
            } else if (variant == 2) {
                p.SetString(kCommon, "MacroFolder", "");
            }
            RunMacroMenuCommand(p, p, texts, kWindow);
            ASSERT_EQ(1u, p.messages.size()) << variant;
            EXPECT_FALSE(p.messages[0].posted);
            EXPECT_EQ(0u, p.messages[0].wParam);
            if (language == 0x409) {
                EXPECT_EQ(2104u, p.messages[0].message);
                EXPECT_EQ(u"No macro folder is set.", p.messages[0].wideText);
            } else {
                EXPECT_EQ(2085u, p.messages[0].message);
                EXPECT_EQ("No macros found", p.messages[0].text);
            }
            EXPECT_EQ(nullptr, p.shownMenu);
            EXPECT_EQ(0, p.LiveMenuCount());
        }
    }
}

TEST_F(MacroCommand, MenuEndsWithSeparatorAndFolderItemAndIsShownAtTheCursor) {
    Run();
    EXPECT_EQ((Lines{"---", "Open folder(&O) #9215"}), ShownMenu());
    EXPECT_EQ(kWindow, platform.shownOwner);
    EXPECT_EQ(0x102u, platform.shownFlags);
    EXPECT_EQ(321, platform.shownX);
    EXPECT_EQ(654, platform.shownY);
    EXPECT_TRUE(platform.messages.empty());
    ExpectEverythingReleased();
}

TEST_F(MacroCommand, FolderItemLabelFollowsStyleAndItemCount) {
    struct Case {
        int macros;
        int skipped;
        std::int32_t style;
        const char* label;
        std::size_t entryCap = WalkLimits().entries;
        bool refusedFolder = false;  // a folder after the macros, its sub-menu refused
        LResult language = 0;        // the editor's
    };
    const std::size_t noCap = WalkLimits().entries;
    const Case cases[] = {
        {10, 0, 2, "&A Open folder #9215"},
        {9, 0, 2, "Open folder(&O) #9215"},
        {10, 0, 1, "Open folder(&O) #9215"},
        {10, 0, -1, "Open folder(&O) #9215"},
        {12, 0, 2, "&C Open folder #9215"},
        {9, 3, 2, "Open folder(&O) #9215"},
        {10, 2, 2, "&A Open folder #9215"},
        {80, 0, 2, "Open folder #9215"},
        {12, 0, 2, "&B Open folder #9215", 10},          // ten macros and "…"
        {9, 0, 2, "&A Open folder #9215", noCap, true},  // the refused one counted once
        {8, 0, 2, "Open folder(&O) #9215", noCap, true},
        {10, 0, 2, "&A Open Macro Folder #9215", noCap, false, 0x409},
        {9, 0, 2, "Open Macro Folder (&O) #9215", noCap, false, 0x409},
        {9, 0, 2, "Open folder(&O) #9215", noCap, false, 0x411},
    };
    for (const Case& c : cases) {
        FakePlatform p;
        p.strings[500] = "Open folder";
        p.strings[502] = "Open folder(&O)";
        p.strings[1500] = "Open Macro Folder";
        p.strings[1502] = "Open Macro Folder (&O)";
        p.editorLanguage = c.language;
        p.SetString(kCommon, "MacroFolder", kRoot);
        p.SetDword(kCommon, "ExtraShortCut", c.style);
        for (int i = 0; i < c.skipped; ++i) {
            p.AddFile(kRoot + "\\skip" + std::to_string(i) + ".txt");
        }
        for (int i = 0; i < c.macros; ++i) {
            p.AddFile(kRoot + "\\m" + std::to_string(i) + ".js");
        }
        if (c.refusedFolder) {
            p.AddFile(kRoot + "\\Sub\\x.js");
            p.refusedSubmenuLabel = ItemLabel(c.skipped + c.macros, c.style, u"Sub");
        }
        WalkLimits limits;
        limits.entries = c.entryCap;
        RunMacroMenuCommand(p, p, texts, kWindow, limits);
        const Lines menu = DumpMenu(p, p.shownMenu);
        // The capped row has no skipped files.
        const std::size_t listed =
            std::min<std::size_t>(c.macros, c.entryCap) + (c.refusedFolder ? 1 : 0);
        ASSERT_EQ(listed + (listed < static_cast<std::size_t>(c.macros) ? 3 : 2), menu.size());
        EXPECT_EQ("---", menu[menu.size() - 2]);
        EXPECT_EQ(c.label, menu.back()) << c.macros << " macros, style " << c.style;
    }
}

TEST_F(MacroCommand, DismissingChangesNothingAndSendsNothing) {
    platform.AddFile(kRoot + "\\a.js");
    platform.SetString(kMacros, "Macro0", "C:\\keep.js");
    Run();
    EXPECT_TRUE(platform.messages.empty());
    EXPECT_TRUE(platform.shellRequests.empty());
    EXPECT_EQ(std::string("C:\\keep.js\0", 11), platform.FindValue(kMacros, "Macro0")->bytes);
    ExpectEverythingReleased();
}

TEST_F(MacroCommand, IdentifiersTheMenuDoesNotHoldAreIgnored) {
    platform.AddFile(kRoot + "\\a.js");
    platform.SetString(kMacros, "Macro0", "C:\\Macros\\a.js");
    for (std::uint32_t id : {0xFFFFFFFEu, 9214u, 9217u, 1u, 0u, 9213u}) {
        platform.onTrack = [id](FakePlatform&, MenuHandle) { return id; };
        Run();
    }
    EXPECT_TRUE(platform.messages.empty());
    EXPECT_TRUE(platform.shellRequests.empty());
    ExpectEverythingReleased();
}

TEST_F(MacroCommand, ChoosingARegisteredMacroPostsItsCommand) {
    platform.SetString(kMacros, "Macro0", "C:\\Other\\z.js");
    platform.SetString(kMacros, "Macro1", "C:\\Macros\\Sub\\b.js");
    platform.AddFile(kRoot + "\\Sub\\b.js");
    platform.onTrack = FakePlatform::Choose("&1 b.js");
    Run();
    ASSERT_EQ(1u, platform.messages.size());
    EXPECT_TRUE(platform.messages[0].posted);
    EXPECT_EQ(kWindow, platform.messages[0].window);
    EXPECT_EQ(2070u, platform.messages[0].message);
    EXPECT_EQ(9217u, platform.messages[0].wParam);
    EXPECT_EQ(0, platform.messages[0].lParam);
    EXPECT_EQ(std::string("C:\\Other\\z.js\0", 14), platform.FindValue(kMacros, "Macro0")->bytes);
    ExpectEverythingReleased();
}

TEST_F(MacroCommand, ChoosingTheFolderItemOpensTheFolder) {
    // The setting exactly as stored, a trailing separator included, in its
    // true text: Łódź is not in code page 932.
    const std::u16string folders[] = {testing::Decode(kRoot), testing::Decode(kRoot) + u"\\",
                                      u"C:\\\u0141\u00F3d\u017A macros"};
    for (const std::u16string& folder : folders) {
        FakePlatform p;
        p.strings[502] = "Open folder(&O)";
        p.SetWideString(kCommon, "MacroFolder", folder);
        p.AddFolder(folder);
        p.onTrack = FakePlatform::Choose("Open folder(&O)");
        RunMacroMenuCommand(p, p, texts, kWindow);
        ASSERT_EQ(1u, p.shellRequests.size()) << testing::Utf8(folder);
        const auto& request = p.shellRequests[0];
        EXPECT_EQ(kWindow, request.window);
        EXPECT_EQ(u"open", request.verb);
        EXPECT_EQ(folder, request.file);
        EXPECT_EQ(folder, request.directory);
        EXPECT_FALSE(request.hasParameters);
        EXPECT_EQ(5, request.show);
        EXPECT_TRUE(p.messages.empty());
    }
}

// "open" on a file runs it: a setting that names a file, or nothing, opens nothing.
TEST_F(MacroCommand, TheFolderItemOpensNothingButAFolder) {
    for (const bool isFile : {true, false}) {
        FakePlatform p;
        p.strings[502] = "Open folder(&O)";
        p.SetString(kCommon, "MacroFolder", "C:\\Tools\\run.bat");
        if (isFile) p.AddFile("C:\\Tools\\run.bat");
        p.onTrack = FakePlatform::Choose("Open folder(&O)");
        RunMacroMenuCommand(p, p, texts, kWindow);
        EXPECT_EQ((Lines{"---", "Open folder(&O) #9215"}), DumpMenu(p, p.shownMenu)) << isFile;
        EXPECT_TRUE(p.shellRequests.empty()) << isFile;
        EXPECT_TRUE(p.messages.empty()) << isFile;
    }
}

TEST_F(MacroCommand, WithoutUserObjectsLeftTheCommandDoesLessAndLeavesNothing) {
    struct Case {
        int menusLeft;
        Lines menu;  // empty: no menu shown
    };
    const Case cases[] = {
        {0, {}},
        {1, {"&1 a.js #1", "&2 Sub #0 grayed", "---", "Open folder(&O) #9215"}},
        {2, {"&1 a.js #1", "&2 Sub >", "  &1 b.js #2", "---", "Open folder(&O) #9215"}},
    };
    for (const Case& c : cases) {
        FakePlatform p;
        p.strings[502] = "Open folder(&O)";
        p.SetString(kCommon, "MacroFolder", kRoot);
        p.AddFile(kRoot + "\\a.js");
        p.AddFile(kRoot + "\\Sub\\b.js");
        p.menusLeft = c.menusLeft;
        RunMacroMenuCommand(p, p, texts, kWindow);
        if (c.menu.empty()) {
            EXPECT_EQ(nullptr, p.shownMenu) << c.menusLeft;
        } else {
            EXPECT_EQ(c.menu, DumpMenu(p, p.shownMenu)) << c.menusLeft;
        }
        EXPECT_TRUE(p.messages.empty()) << c.menusLeft;
        EXPECT_EQ(0, p.LiveMenuCount()) << c.menusLeft;
        EXPECT_EQ(0, p.OpenFindCount()) << c.menusLeft;
        EXPECT_EQ(0, p.OpenKeyCount()) << c.menusLeft;
    }
}

// Macro0 before the command, as the narrow call writes it (or as stored,
// UTF-16, when wide); nullopt for absent.
struct SlotCase {
    const char* what;
    std::optional<FakePlatform::Value> before;
    bool wide = false;
};

TEST_F(MacroCommand, UnregisteredMacroRunsThroughMacro0WhichIsPutBackExactly) {
    const SlotCase cases[] = {
        {"absent", std::nullopt},
        {"string", FakePlatform::Value{kRegSz, std::string("C:\\Other\\z.js\0", 14)}},
        {"expandable", FakePlatform::Value{kRegExpandSz, std::string("%APPDATA%\\z.js\0", 15)}},
        {"existing empty", FakePlatform::Value{kRegSz, std::string(1, '\0')}},
        {"no bytes", FakePlatform::Value{kRegSz, ""}},
        {"dword", FakePlatform::Value{kRegDword, std::string("\1\0\0\0", 4)}},
        {"without terminator", FakePlatform::Value{kRegSz, "C:\\z.js"}},
        // Łódź and 한 are not in code page 932: they come back unit for unit.
        {"outside the code page",
         FakePlatform::Value{kRegSz, testing::Utf16Bytes(u"C:\\\u0141\u00F3d\u017A\\\uD55C.js\0")},
         true},
        {"outside the code page, without terminator",
         FakePlatform::Value{kRegExpandSz, testing::Utf16Bytes(u"%A%\\\u0141.js")}, true},
    };
    for (const SlotCase& c : cases) {
        FakePlatform p;
        p.strings[502] = "Open folder(&O)";
        p.SetString(kCommon, "MacroFolder", kRoot);
        p.AddKey(kMacros);
        if (c.before && c.wide) {
            p.SetStoredBytes(kMacros, "Macro0", c.before->type, c.before->bytes);
        } else if (c.before) {
            p.SetValueBytes(kMacros, "Macro0", c.before->type, c.before->bytes);
        }
        const std::optional<FakePlatform::Value> stored =
            c.before ? std::optional<FakePlatform::Value>(*p.FindStoredValue(kMacros, "Macro0"))
                     : std::nullopt;
        p.AddFile(kRoot + "\\Sub\\run.js");
        p.onTrack = FakePlatform::Choose("&1 run.js");
        std::optional<FakePlatform::Value> during;
        p.onSend = [&](const FakePlatform::Message&) {
            during = p.FindValue(kMacros, "Macro0");
            EXPECT_EQ(0, p.OpenKeyCount()) << c.what;
            EXPECT_EQ(0, p.LiveMenuCount()) << c.what;  // every menu gone before the run
        };
        RunMacroMenuCommand(p, p, texts, kWindow);

        ASSERT_EQ(1u, p.messages.size()) << c.what;
        EXPECT_FALSE(p.messages[0].posted);
        EXPECT_EQ(2070u, p.messages[0].message);
        EXPECT_EQ(9216u, p.messages[0].wParam);
        ASSERT_TRUE(during) << c.what;
        EXPECT_EQ(kRegSz, during->type) << c.what;
        EXPECT_EQ(std::string("C:\\Macros\\Sub\\run.js\0", 21), during->bytes) << c.what;

        const std::optional<FakePlatform::Value> after = p.FindValue(kMacros, "Macro0");
        ASSERT_EQ(c.before.has_value(), after.has_value()) << c.what;
        if (after) {
            const FakePlatform::Value* storedAfter = p.FindStoredValue(kMacros, "Macro0");
            EXPECT_EQ(stored->type, storedAfter->type) << c.what;
            EXPECT_EQ(stored->bytes, storedAfter->bytes) << c.what;
            if (!c.wide) EXPECT_EQ(c.before->bytes, after->bytes) << c.what;
        }
        EXPECT_EQ(0, p.OpenKeyCount()) << c.what;
        EXPECT_EQ(0, p.LiveMenuCount()) << c.what;
        // KEY_READ for every reader, then the loan's open and the restore's.
        std::vector<std::uint32_t> masks;
        for (const auto& open : p.keyOpens) {
            if (open.first.rfind("Software\\EmSoft\\", 0) == 0) masks.push_back(open.second);
        }
        EXPECT_EQ(
            (std::vector<std::uint32_t>{0x20019, 0x20019, 0x20019, 0x20019, 0x2001F, 0x20006}),
            masks)
            << c.what;
        EXPECT_FALSE(p.HoldsJournal()) << c.what;  // no journal left
        EXPECT_FALSE(p.mutexHeld) << c.what;
    }
}

// A portable editor keeps its settings in its own store, and the registry
// another editor's: the menu is the store's, and Macro0 there is lent the
// macro's true path, which needs no narrow form, short names or not. Its
// relative paths are relative to the editor's program, never to the current
// directory.
TEST_F(MacroCommand, APortableEditorsMenuAndLoanAreItsOwnStoresInTrueText) {
    struct Case {
        const char* what;
        std::u16string stored;  // MacroFolder as the store holds it
        std::u16string folder;  // where it is
        bool shortNames;
    };
    const std::u16string root = u"C:\\\uD55C\uAD6D\uC5B4";
    const Case cases[] = {
        {"short names", root, root, true},
        {"no short names", root, root, false},
        {"relative", u"Macros\\Mine", u"C:\\Tools\\EmEditor\\Macros\\Mine", true},
    };
    for (const Case& c : cases) {
        for (const char* choice : {"&2 plain.js", "&3 reg.js", "Open folder(&O)"}) {
            const std::string what = std::string(c.what) + ", " + choice;
            FakePlatform p;
            p.strings[502] = "Open folder(&O)";
            p.shortNames = c.shortNames;
            p.keepsIniSettings = true;
            p.SetString(kCommon, "MacroFolder", "C:\\Other");
            p.SetString(kMacros, "Macro0", "C:\\Other\\stale.js");
            p.AddFile("C:\\Other\\stale.js");
            for (const char16_t* name : {u"reg.js", u"cur.js", u"plain.js"})
                p.AddFile(c.folder + u"\\" + name);
            p.SetStoreString(u"Common", u"MacroFolder", c.stored);
            p.SetStoreString(u"Common", u"MacroFile", c.stored + u"\\cur.js");
            p.SetStoreString(u"Macros", u"Macro0", c.stored + u"\\reg.js");
            const auto store = p.editorStore;
            p.onTrack = FakePlatform::Choose(choice);
            std::u16string during;
            p.onSend = [&](const FakePlatform::Message&) {
                const std::string& bytes = p.FindStoreValue(u"Macros", u"Macro0")->bytes;
                during.assign(reinterpret_cast<const char16_t*>(bytes.data()), bytes.size() / 2);
            };
            RunMacroMenuCommand(p, p, texts, kWindow);
            EXPECT_EQ((Lines{"&1 cur.js #1 default", "&2 plain.js #2", "&3 reg.js #9216 checked",
                             "---", "Open folder(&O) #9215"}),
                      DumpMenu(p, p.shownMenu))
                << what;
            if (choice[1] == '2') {
                EXPECT_EQ(c.folder + u"\\plain.js" + u'\0', during) << what;
            } else if (choice[1] == '3') {
                ASSERT_EQ(1u, p.messages.size()) << what;
                EXPECT_TRUE(p.messages[0].posted && p.messages[0].wParam == 9216) << what;
            } else {
                ASSERT_EQ(1u, p.shellRequests.size()) << what;
                EXPECT_EQ(c.folder, p.shellRequests[0].file) << what;
            }
            // A macro that ran is remembered in the plug-in's own section,
            // by its full path, and the next menu runs it again.
            auto after = p.editorStore;
            const bool ran = choice[0] == '&';
            const std::u16string file = c.folder + (choice[1] == '2' ? u"\\plain.js" : u"\\reg.js");
            if (ran) {
                const auto* last = p.FindStoreValue(u"Quorvin", u"LastMacro");
                ASSERT_TRUE(last != nullptr) << what;
                EXPECT_EQ(testing::Utf16Bytes(file + u'\0'), last->bytes) << what;
                after.erase(u"Quorvin");
            }
            EXPECT_TRUE(after == store) << what << ": the store as it was";
            EXPECT_TRUE(p.keyOpens.empty()) << what << ": the registry untouched";
            EXPECT_FALSE(p.HasKey(kJournalKey)) << what;
            if (!ran) continue;
            p.strings[1503] = p.strings[503] = "Run %1 again(&R)";
            const std::string again =
                choice[1] == '2' ? "Run plain.js again(&R)" : "Run reg.js again(&R)";
            p.messages.clear();
            during.clear();
            p.onTrack = FakePlatform::Choose(again);
            RunMacroMenuCommand(p, p, texts, kWindow);
            EXPECT_EQ((Lines{"&1 cur.js #1 default", "&2 plain.js #2", "&3 reg.js #9216 checked",
                             "---", again + " #9214", "Open folder(&O) #9215"}),
                      DumpMenu(p, p.shownMenu))
                << what;
            if (choice[1] == '2') {
                EXPECT_EQ(c.folder + u"\\plain.js" + u'\0', during) << what << ", again";
            } else {
                ASSERT_EQ(1u, p.messages.size()) << what << ", again";
                EXPECT_TRUE(p.messages[0].posted && p.messages[0].wParam == 9216) << what;
            }
            EXPECT_FALSE(p.HasKey(kJournalKey)) << what << ", again";
        }
    }
}

TEST_F(MacroCommand, Macro0ThatCannotBeReadIsNeverReplaced) {
    platform.AddFile(kRoot + "\\run.js");
    platform.SetString(kMacros, "Macro0", "C:\\keep.js");
    platform.onTrack = FakePlatform::Choose("&1 run.js");
    // Grows on every read once the menu is up.
    std::string grown = "C:\\keep.js";
    platform.onQuery = [&](const std::string& name, bool) {
        if (name == "Macro0" && platform.shownMenu != nullptr) {
            grown += "-longer";
            platform.SetString(kMacros, "Macro0", grown);
        }
    };
    Run();
    EXPECT_TRUE(platform.messages.empty());
    EXPECT_EQ(grown + '\0', platform.FindValue(kMacros, "Macro0")->bytes);

    FakePlatform denied;
    denied.SetString(kCommon, "MacroFolder", kRoot);
    denied.AddFile(kRoot + "\\run.js");
    denied.SetString(kMacros, "Macro0", "C:\\keep.js");
    denied.onTrack = FakePlatform::Choose("&1 run.js");
    denied.onQuery = [&](const std::string&, bool) {
        if (denied.shownMenu != nullptr) denied.failingValues["Macro0"] = 5;
    };
    RunMacroMenuCommand(denied, denied, texts, kWindow);
    EXPECT_TRUE(denied.messages.empty());
    EXPECT_EQ(std::string("C:\\keep.js\0", 11), denied.FindValue(kMacros, "Macro0")->bytes);
    EXPECT_EQ(0, denied.OpenKeyCount());
}

TEST_F(MacroCommand, WithoutTheMacrosKeyNothingRunsAndNoKeyIsCreated) {
    FakePlatform p;
    p.SetString(kCommon, "MacroFolder", kRoot);
    p.AddFile(kRoot + "\\run.js");
    p.onTrack = FakePlatform::Choose("&1 run.js");
    RunMacroMenuCommand(p, p, texts, kWindow);
    EXPECT_TRUE(p.messages.empty());
    EXPECT_FALSE(p.HasKey(kMacros));
}

// The command for macro 0 runs what Macro0 holds when the editor gets to it:
// during a loan, the lent path. The user's own macro 0 is lent instead.
TEST_F(MacroCommand, NestedCommandDuringTheRunRestoresInsideTheOuterOne) {
    struct Case {
        const char* macro0;
        const char* outer;
        const char* inner;  // chosen in the menu opened while the outer macro runs
        const char* innerState;
    };
    const Case cases[] = {
        {"C:\\keep.js", "&3 outer.js", "&1 inner.js", " #1"},
        {"C:\\Macros\\mine.js", "&3 outer.js", "&2 mine.js", " #2 checked"},
    };
    for (const Case& c : cases) {
        FakePlatform p;
        p.strings[502] = "Open folder(&O)";
        p.SetString(kCommon, "MacroFolder", kRoot);
        p.SetString(kMacros, "Macro0", c.macro0);
        for (const char* name : {"outer.js", "inner.js", "mine.js"}) p.AddFile(kRoot + "\\" + name);
        std::vector<std::string> seenByEditor;
        Lines nested;
        int depth = 0;
        p.onTrack = [&](FakePlatform& fake, MenuHandle menu) {
            if (depth == 1) nested = DumpMenu(fake, menu);
            return FakePlatform::Choose(depth == 0 ? c.outer : c.inner)(fake, menu);
        };
        p.onSend = [&](const FakePlatform::Message&) {
            seenByEditor.push_back(p.FindValue(kMacros, "Macro0")->bytes.c_str());
            if (depth++ == 0) RunMacroMenuCommand(p, p, texts, kWindow);
        };
        RunMacroMenuCommand(p, p, texts, kWindow);
        EXPECT_NE(nested.end(),
                  std::find(nested.begin(), nested.end(), std::string(c.inner) + c.innerState))
            << c.macro0;
        const std::string inner = kRoot + "\\" + (c.inner + 3);
        EXPECT_EQ((std::vector<std::string>{"C:\\Macros\\outer.js", inner}), seenByEditor)
            << c.macro0;
        for (const FakePlatform::Message& message : p.messages) {
            EXPECT_FALSE(message.posted) << c.macro0;
        }
        EXPECT_EQ(std::string(c.macro0) + '\0', p.FindValue(kMacros, "Macro0")->bytes);
        EXPECT_EQ(0, p.LiveMenuCount()) << c.macro0;
        EXPECT_EQ(0, p.OpenKeyCount()) << c.macro0;
        EXPECT_EQ(0, p.OpenFindCount()) << c.macro0;
    }
}

TEST_F(MacroCommand, MacroPastTheTableDoesNothingWhenChosen) {
    platform.SetDword(kCommon, "ExtraShortCut", 2);
    for (int i = 0; i < 9214; ++i) {
        const std::string number = std::to_string(i);
        platform.AddFile(kRoot + "\\m" + std::string(4 - number.size(), '0') + number + ".js");
    }
    platform.onTrack = FakePlatform::Choose("m9213.js");
    Run();
    EXPECT_TRUE(platform.messages.empty());
    EXPECT_FALSE(platform.FindValue(kMacros, "Macro0"));
}

// The macro run last, and a pick with Shift or Ctrl: the walked macro, a
// registered one and the remembered one open in the editor instead of
// running (2096 to the frame, the full path and no record), and nothing is
// lent, posted or remembered; without a modifier each runs and is remembered.
TEST_F(MacroCommand, APickWithAModifierOpensTheMacroAndOneWithoutRunsAndIsRemembered) {
    WindowHandle const view = reinterpret_cast<WindowHandle>(0x7E);
    struct Case {
        const char* choice;
        std::u16string path;
        bool registered;
    };
    const Case cases[] = {
        {"&1 plain.js", u"C:\\Macros\\Sub\\plain.js", false},
        {"&1 reg.js", u"C:\\Macros\\reg.js", true},
        {"Run plain.js again(&R)", u"C:\\Macros\\Sub\\plain.js", false},
    };
    for (const bool modifier : {true, false}) {
        for (const Case& c : cases) {
            const std::string what = std::string(c.choice) + (modifier ? ", with a modifier" : "");
            FakePlatform p;
            p.strings[502] = "Open folder(&O)";
            p.strings[503] = "Run %1 again(&R)";
            p.windowOwners[view] = kWindow;
            p.SetString(kCommon, "MacroFolder", kRoot);
            p.SetString(kMacros, "Macro0", kRoot + "\\reg.js");
            p.AddFile(kRoot + "\\reg.js");
            p.AddFile(kRoot + "\\Sub\\plain.js");
            p.SetWideString(kJournalKey, "LastMacro", u"C:\\Macros\\Sub\\plain.js");
            const std::string lastBefore = p.FindStoredValue(kJournalKey, "LastMacro")->bytes;
            p.chooseWithModifier = modifier;
            p.onTrack = FakePlatform::Choose(c.choice);
            RunMacroMenuCommand(p, p, texts, view);
            EXPECT_EQ((Lines{"&1 reg.js #9216 checked", "&2 Sub >", "  &1 plain.js #1", "---",
                             "Run plain.js again(&R) #9214", "Open folder(&O) #9215"}),
                      DumpMenu(p, p.shownMenu))
                << what;
            ASSERT_EQ(1u, p.messages.size()) << what;
            const FakePlatform::Message& sent = p.messages[0];
            if (modifier) {
                EXPECT_EQ(2096u, sent.message) << what;
                EXPECT_EQ(kWindow, sent.window) << what << ": the editor's frame";
                EXPECT_EQ(0u, sent.wParam) << what;
                EXPECT_EQ(c.path, sent.wideText) << what;
                EXPECT_EQ(lastBefore, p.FindStoredValue(kJournalKey, "LastMacro")->bytes) << what;
            } else {
                EXPECT_EQ(2070u, sent.message) << what;
                EXPECT_EQ(c.registered, sent.posted) << what;
                EXPECT_EQ(9216u, sent.wParam) << what;
                EXPECT_EQ(testing::Utf16Bytes(c.path + u'\0'),
                          p.FindStoredValue(kJournalKey, "LastMacro")->bytes)
                    << what;
            }
            EXPECT_EQ(kRoot + "\\reg.js" + '\0', p.FindValue(kMacros, "Macro0")->bytes) << what;
            EXPECT_FALSE(p.HoldsJournal()) << what;
        }
    }
}

// A remembered value that cannot be trusted shows no item; a failed write
// of it keeps nothing from running.
TEST_F(MacroCommand, ARememberedMacroThatCannotBeReadShowsNothingAndAFailedWriteStillRuns) {
    struct Case {
        const char* what;
        std::uint32_t type;
        std::u16string text;  // as stored, no terminator added
        bool fails;
    };
    const Case cases[] = {
        {"a DWORD", kRegDword, u"ab", false},
        {"no terminator", kRegSz, u"C:\\Macros\\a.js", false},
        {"an odd byte count", kRegSz, u"C:\\Macros\\a.js", false},
        {"a failed read", kRegSz, std::u16string(u"C:\\Macros\\a.js") + u'\0', true},
        {"a file that is gone", kRegSz, std::u16string(u"C:\\Macros\\gone.js") + u'\0', false},
    };
    for (const Case& c : cases) {
        FakePlatform p;
        p.strings[502] = "Open folder(&O)";
        p.strings[503] = "Run %1 again(&R)";
        p.SetString(kCommon, "MacroFolder", kRoot);
        p.AddKey(kMacros);
        p.AddFile(kRoot + "\\a.js");
        std::string bytes = testing::Utf16Bytes(c.text);
        if (std::string(c.what) == "an odd byte count") bytes += 'x';
        p.SetStoredBytes(kJournalKey, "LastMacro", c.type, bytes);
        if (c.fails) p.failingValues["LastMacro"] = 5;
        p.onTrack = [](FakePlatform&, MenuHandle) { return 0u; };
        RunMacroMenuCommand(p, p, texts, kWindow);
        EXPECT_EQ((Lines{"&1 a.js #1", "---", "Open folder(&O) #9215"}), DumpMenu(p, p.shownMenu))
            << c.what;
        EXPECT_EQ(bytes, p.FindStoredValue(kJournalKey, "LastMacro")->bytes) << c.what;
    }
    platform.AddFile(kRoot + "\\a.js");
    platform.unwritableValues.push_back("LastMacro");
    platform.onTrack = FakePlatform::Choose("&1 a.js");
    std::vector<std::uint32_t> sent;
    platform.onSend = [&](const FakePlatform::Message& m) { sent.push_back(m.message); };
    Run();
    EXPECT_EQ(std::vector<std::uint32_t>{2070}, sent) << "it ran";
    EXPECT_EQ(nullptr, platform.FindStoredValue(kJournalKey, "LastMacro"));
    EXPECT_FALSE(platform.HoldsJournal());
}

}  // namespace
}  // namespace quorvin
