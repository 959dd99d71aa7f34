#include <gtest/gtest.h>

#include <cstring>
#include <new>
#include <string>

#include "FakePlatform.h"
#include "command/MacroCommand.h"
#include "plugin/HostInterface.h"
#include "plugin/PluginQueries.h"
#include "settings/EditorSettings.h"
#include "settings/HostSettings.h"
#include "settings/LoanJournal.h"

namespace quorvin {
namespace {

using testing::FakePlatform;
WindowHandle const kWindow = reinterpret_cast<WindowHandle>(0xED);

FakePlatform WithTexts() {
    FakePlatform platform;
    platform.strings[3] = "Really uninstall?";
    platform.strings[4] = "Quorvin";
    platform.strings[5] = "Version 0.4 by Merrow";
    platform.strings[1003] = "Uninstall Quorvin?";
    return platform;
}

TEST(PlugInProc, AnswersEachCode) {
    PluginTexts texts;
    struct Case {
        std::uint32_t code;
        WParam wParam;
        LResult expected;
    };
    const Case cases[] = {
        {2304, 0, 0},
        {2305, 0, 0},
        {2307, 0, 0},
        {2309, 0, 0},
        {2303, 0, 0},
        {2314, 0, 0},
        {0, 0, 0},
        {0xFFFFFFFF, 0, 0},
        {2310, 0, 1},
        {2306, 0, 8},
        {2308, 0, 22},
        {2312, 0x231, 114},
        {2312, 0x211, 108},
        {2312, 0x201, 102},
        {2312, 0x31, 110},
        {2312, 0x0, 101},
        {2313, 0x1, 0},
        {2313, 0x30, 0xFF00FF},
        {2313, 0x10, 0xFF00FF},
        {2313, 0x200, 0},
    };
    for (const Case& c : cases) {
        FakePlatform platform = WithTexts();
        EXPECT_EQ(c.expected,
                  AnswerPlugInQuery(platform, platform, texts, kWindow, c.code, c.wParam, 0))
            << "code " << c.code << " wParam " << std::hex << c.wParam;
        EXPECT_TRUE(platform.messageBoxes.empty());
        EXPECT_TRUE(platform.messages.empty());
    }
}

TEST(ChooseBitmap, EveryFlagCombinationThatMatters) {
    struct Case {
        std::uint32_t flags;
        std::uint32_t bitmap;
    };
    const Case cases[] = {
        {0x000, 101}, {0x001, 102}, {0x200, 101}, {0x201, 102},      {0x010, 103}, {0x011, 104},
        {0x210, 107}, {0x211, 108}, {0x020, 109}, {0x021, 110},      {0x220, 113}, {0x221, 114},
        {0x030, 109}, {0x231, 114}, {0x100, 101}, {0xFFFFFFFF, 114}, {0x002, 101},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.bitmap, ChooseBitmap(c.flags)) << std::hex << c.flags;
    }
}

TEST(TextQueries, CopyWithinTheGivenSize) {
    PluginTexts texts;
    struct Case {
        std::uint32_t code;
        WParam size;
        const char* written;  // nullptr: nothing written
    };
    const Case cases[] = {
        {2306, 4, "Quo"},       {2306, 1, ""},
        {2306, 0, nullptr},     {2306, 8, "Quorvin"},
        {2306, 100, "Quorvin"}, {2306, static_cast<WParam>(-1), "Quorvin"},
        {2308, 8, "Version"},   {2308, 22, "Version 0.4 by Merrow"},
    };
    for (const Case& c : cases) {
        FakePlatform platform = WithTexts();
        char buffer[64];
        std::memset(buffer, 0x5A, sizeof buffer);
        const LResult result = AnswerPlugInQuery(platform, platform, texts, kWindow, c.code, c.size,
                                                 reinterpret_cast<LParam>(buffer));
        EXPECT_EQ(static_cast<LResult>(platform.strings[c.code == 2306 ? 4 : 5].size() + 1),
                  result);
        const std::size_t touched = c.written ? std::strlen(c.written) + 1 : 0;
        if (c.written) {
            EXPECT_STREQ(c.written, buffer) << "size " << c.size;
        }
        for (std::size_t i = touched; i < sizeof buffer; ++i) {
            ASSERT_EQ(0x5A, buffer[i]) << "byte " << i << " overwritten, size " << c.size;
        }
    }
}

TEST(TextQueries, WithoutABufferOnlyTheSizeIsAnswered) {
    PluginTexts texts;
    FakePlatform platform = WithTexts();
    EXPECT_EQ(8, AnswerPlugInQuery(platform, platform, texts, kWindow, 2306, 80, 0));
    EXPECT_EQ(22, AnswerPlugInQuery(platform, platform, texts, kWindow, 2308, 0, 0));
}

TEST(TextQueries, LongTextsAreCutAt79Bytes) {
    PluginTexts texts;
    FakePlatform platform = WithTexts();
    platform.strings[4] = std::string(200, 'n');
    char buffer[128] = {};
    EXPECT_EQ(80, AnswerPlugInQuery(platform, platform, texts, kWindow, 2306, sizeof buffer,
                                    reinterpret_cast<LParam>(buffer)));
    EXPECT_EQ(std::string(79, 'n'), buffer);
}

TEST(ConfirmUninstall, AsksTheUserAndOnlyYesAgrees) {
    PluginTexts texts;
    struct Case {
        int answer;
        LResult expected;
        bool killedLoan = false;  // another editor died while it lent Macro0
        LResult language = 0;     // the editor's, 0 from one before 8.00
        bool portable = false;    // the editor keeps its settings in its own store
    };
    const Case cases[] = {{6, 1},
                          {7, 0},
                          {2, 0},
                          {0, 0},
                          {1, 0},
                          {6, 1, true},
                          {7, 0, true},
                          {6, 1, false, 0x411},
                          {6, 1, false, 0x409},
                          {7, 0, true, 0x407},
                          {6, 1, false, 0x409, true},
                          {7, 0, false, 0x409, true}};
    for (const Case& c : cases) {
        FakePlatform platform = WithTexts();
        platform.editorLanguage = c.language;
        platform.messageBoxAnswer = c.answer;
        platform.keepsIniSettings = c.portable;
        platform.AddKey(kMacrosKey);
        platform.SetString(kMacrosKey, "Macro0", "C:\\mine.js");
        // What the plug-in remembered: Yes removes it, so that nothing is left.
        if (c.portable) {
            platform.SetStoreString(u"Quorvin", u"LastMacro", u"C:\\last.js");
        } else {
            platform.SetWideString(kJournalKey, "LastMacro", u"C:\\last.js");
            platform.SetDword(kJournalKey, "EditorLanguage", 0x409);
        }
        if (c.killedLoan) {
            platform.thisProcess = ProcessStamp{200, 6000};
            MacroSlotLoan loan(platform, platform);
            ASSERT_TRUE(loan.Begin("C:\\a.js"));
            platform.thisProcess = ProcessStamp{100, 5000};
        }
        EXPECT_EQ(c.expected, AnswerPlugInQuery(platform, platform, texts, kWindow, 2311, 0, 0))
            << c.answer;
        ASSERT_EQ(1u, platform.messageBoxes.size());
        EXPECT_EQ(kWindow, platform.messageBoxes[0].owner);
        EXPECT_EQ(
            c.language == 0 || c.language == 0x411 ? u"Really uninstall?" : u"Uninstall Quorvin?",
            platform.messageBoxes[0].text)
            << std::hex << c.language;
        EXPECT_EQ(u"EmEditor", platform.messageBoxes[0].caption);
        EXPECT_EQ(0x24u, platform.messageBoxes[0].type);
        // Put back before the question, whatever the answer.
        EXPECT_EQ("C:\\mine.js", platform.messageBoxes[0].macro0) << c.answer;
        const bool kept = c.expected == 0;
        if (c.portable) {
            EXPECT_EQ(kept, platform.editorStore.count(u"Quorvin") != 0) << c.answer;
            EXPECT_FALSE(platform.HasKey(kJournalKey)) << c.answer << ": the registry untouched";
        } else {
            EXPECT_EQ(kept, platform.HasKey(kJournalKey)) << c.answer;
            EXPECT_EQ(kept, platform.FindStoredValue(kJournalKey, "LastMacro") != nullptr)
                << c.answer;
            EXPECT_FALSE(platform.HoldsJournal()) << c.answer;
        }
    }
}

// Running out of memory in the repair before the question: the editor gets
// the answer a failure gives, never the exception.
TEST(ConfirmUninstall, AnExceptionNeverReachesTheEditor) {
    PluginTexts texts;
    FakePlatform platform = WithTexts();
    platform.messageBoxAnswer = 6;
    platform.AddKey(kMacrosKey);
    platform.SetString(kJournalKey, "SavedPresence", "");
    platform.onQuery = [](const std::string&, bool) { throw std::bad_alloc(); };
    LResult answer = 1;
    EXPECT_NO_THROW(answer = AnswerPlugInQuery(platform, platform, texts, kWindow, 2311, 0, 0));
    EXPECT_EQ(0, answer);
    EXPECT_TRUE(platform.messageBoxes.empty());
    EditorStartup startup;
    EXPECT_NO_THROW(startup.AtCall(platform, platform, texts, kWindow));
    EXPECT_NO_THROW(RunMacroMenuCommand(platform, platform, texts, kWindow));
    platform.onQuery = nullptr;
}

// A portable editor died while it lent Macro0 in its own store, and another
// editor while it lent the registry's. Whichever call of the next portable
// editor comes first with a window, its frame's or the Plug-ins dialog's, it
// repairs its own store and leaves the registry to its own editor.
TEST(EditorStartup, EveryCallWithAWindowRepairsTheEditorsOwnStore) {
    PluginTexts texts;
    WindowHandle const dialog = reinterpret_cast<WindowHandle>(0xD1A);
    enum Way { kMenuDismissed, kUninstallFromTheDialog, kStatusWithoutThenWithAWindow, kDialog };
    for (const Way way :
         {kMenuDismissed, kUninstallFromTheDialog, kStatusWithoutThenWithAWindow, kDialog}) {
        FakePlatform platform = WithTexts();
        platform.keepsIniSettings = true;
        platform.windowOwners[dialog] = kWindow;
        platform.SetStoreString(u"Common", u"MacroFolder", u"C:\\Macros");
        platform.SetStoreString(u"Macros", u"Macro0", u"C:\\mine.js");
        platform.AddKey(kMacrosKey);
        platform.SetString(kMacrosKey, "Macro0", "C:\\theirs.js");
        platform.thisProcess = ProcessStamp{200, 6000};
        EditorSettings editorStore(platform, kWindow);
        MacroSlotLoan(platform, editorStore).Begin("C:\\a.js");
        platform.thisProcess = ProcessStamp{201, 6001};
        MacroSlotLoan(platform, platform).Begin("C:\\b.js");
        const std::optional<FakePlatform::Value> registryMacro0 =
            platform.FindValue(kMacrosKey, "Macro0");
        ASSERT_TRUE(platform.FindStoreValue(u"Quorvin", u"Lent")) << way;
        ASSERT_TRUE(platform.HasKey(kJournalKey)) << way;

        platform.thisProcess = ProcessStamp{300, 7000};
        EditorStartup startup;
        switch (way) {
            case kMenuDismissed:
                RunMacroMenuCommand(platform, platform, texts, kWindow);
                break;
            case kUninstallFromTheDialog:
                AnswerPlugInQuery(platform, platform, texts, dialog, 2311, 0, 0);
                ASSERT_EQ(1u, platform.messageBoxes.size());
                EXPECT_EQ(dialog, platform.messageBoxes[0].owner) << "owned by the dialog";
                break;
            case kStatusWithoutThenWithAWindow:
                startup.AtCall(platform, platform, texts, nullptr);
                startup.AtCall(platform, platform, texts, kWindow);
                break;
            case kDialog:
                startup.AtCall(platform, platform, texts, dialog);
                break;
        }
        EXPECT_EQ(testing::Utf16Bytes(u"C:\\mine.js" + std::u16string(1, u'\0')),
                  platform.FindStoreValue(u"Macros", u"Macro0")->bytes)
            << way;
        EXPECT_EQ(0u, platform.editorStore.count(u"Quorvin")) << way << ": no journal left";
        EXPECT_EQ(registryMacro0->bytes, platform.FindValue(kMacrosKey, "Macro0")->bytes) << way;
        EXPECT_TRUE(platform.HasKey(kJournalKey)) << way << ": the registry's left to its editor";
    }
}

TEST(OnEvents, RemembersThenSends) {
    PluginTexts texts;
    struct Step {
        std::uint32_t events;
        LParam value;
        bool sends;
        WParam sent;
    };
    // A 64-bit editor's value, none of its bits dropped.
    constexpr LParam kWide = 0x123456789ABCDEF0;
    const Step steps[] = {
        {0x440, 7, true, 7},      {0x40, 99, true, 7},         {0x400, 12, false, 0},
        {0x1, 5, false, 0},       {0xFFFF, 3, true, 3},        {0x40, 0, true, 3},
        {0x400, -1, false, 0},    {0x40, 0, true, ~WParam{0}}, {0xBBF, 8, false, 0},
        {0x400, kWide, false, 0}, {0x40, 0, true, kWide},      {0x10000440, 4, true, 4},
    };
    for (const Step& step : steps) {
        FakePlatform platform;
        HandleEvents(platform, platform, texts, kWindow, step.events, step.value);
        ASSERT_EQ(step.sends ? 1u : 0u, platform.messages.size()) << std::hex << step.events;
        if (step.sends) {
            EXPECT_FALSE(platform.messages[0].posted);
            EXPECT_EQ(kWindow, platform.messages[0].window);
            EXPECT_EQ(2050u, platform.messages[0].message);
            EXPECT_EQ(step.sent, platform.messages[0].wParam);
            EXPECT_EQ(0, platform.messages[0].lParam);
        }
    }
}

// The ids the editor loads from the module, without a window to ask through:
// those of the language the editor last reported.
TEST(PluginTexts, FollowTheEditorsLanguage) {
    WindowHandle const dialog = reinterpret_cast<WindowHandle>(0xD1A);
    enum How { kNoCall, kWithoutAWindow, kStartup, kOtherEvent, kUiChanged, kFromTheDialog };
    struct Step {
        const char* what;
        LResult language;  // the editor's answer from this step on
        How how;
        std::uint32_t menuText, statusText;
    };
    const Step steps[] = {
        {"before any call", 0x409, kNoCall, 1, 2},
        {"a call without a window asks nothing", 0x409, kWithoutAWindow, 1, 2},
        {"the first call with a window: English", 0x409, kStartup, 1001, 1002},
        {"the startup asks once", 0x411, kStartup, 1001, 1002},
        {"an event of another kind asks nothing", 0x411, kOtherEvent, 1001, 1002},
        {"a change of interface: Japanese", 0x411, kUiChanged, 1, 2},
        {"German", 0x407, kUiChanged, 1001, 1002},
        {"an editor before 8.00", 0, kUiChanged, 1, 2},
        {"Japanese of any sub-language", 0x811, kUiChanged, 1, 2},
        {"the frame asked for the dialog", 0x409, kFromTheDialog, 1001, 1002},
    };
    PluginTexts texts;
    EditorStartup startup;
    for (const Step& step : steps) {
        FakePlatform platform = WithTexts();
        platform.windowOwners[dialog] = kWindow;
        platform.editorLanguage = step.language;
        switch (step.how) {
            case kNoCall:
                break;
            case kWithoutAWindow:
                HandleEvents(platform, platform, texts, nullptr, kEventUiChanged, 0);
                startup.AtCall(platform, platform, texts, nullptr);
                break;
            case kStartup:
                startup.AtCall(platform, platform, texts, kWindow);
                break;
            case kOtherEvent:
                HandleEvents(platform, platform, texts, kWindow, 0x400, 0);
                break;
            case kUiChanged:
                HandleEvents(platform, platform, texts, kWindow, kEventUiChanged, 0);
                break;
            case kFromTheDialog:
                AnswerPlugInQuery(platform, platform, texts, dialog, 2311, 0, 0);
                break;
        }
        EXPECT_EQ(step.menuText, texts.Id(1)) << step.what;
        EXPECT_EQ(step.statusText, texts.Id(2)) << step.what;
        EXPECT_EQ(4u, texts.Id(4)) << step.what << ": one name";
        EXPECT_EQ(5u, texts.Id(5)) << step.what << ": one version";
    }
}

// Before the editor's first answer in this process (it asks for the menu
// text at load, without a window): the language it answered last, as the
// registry remembers it, else the user's own. Only an editor that keeps its
// settings in the registry remembers it there, and no loan removes it.
TEST(PluginTexts, BeforeTheEditorAnswersTheLanguageItAnsweredLast) {
    struct Case {
        const char* what;
        std::int32_t remembered;  // -1: none
        std::uint16_t user;
        std::uint32_t menuText;
    };
    const Case cases[] = {
        {"remembered Japanese", 0x411, 0x409, 1},
        {"remembered English", 0x409, 0x411, 1001},
        {"remembered an editor before 8.00", 0, 0x409, 1},
        {"none, a Japanese user", -1, 0x411, 1},
        {"none, an English user", -1, 0x809, 1001},
    };
    for (const Case& c : cases) {
        FakePlatform platform = WithTexts();
        if (c.remembered >= 0) platform.SetDword(kJournalKey, "EditorLanguage", c.remembered);
        platform.userLanguage = c.user;
        PluginTexts texts;
        texts.GuessUnlessAnswered(platform, platform);
        EXPECT_EQ(c.menuText, texts.Id(1)) << c.what;
        EXPECT_EQ(c.menuText + 1, texts.Id(2)) << c.what;

        platform.editorLanguage = 0x407;
        texts.FollowEditor(platform, platform, kWindow);
        platform.AddKey(kMacrosKey);
        MacroSlotLoan loan(platform, platform);
        ASSERT_TRUE(loan.Begin("C:\\a.js")) << c.what;
        loan.End();
        const auto remembered = platform.FindValue(kJournalKey, "EditorLanguage");
        ASSERT_TRUE(remembered.has_value()) << c.what;
        EXPECT_EQ(std::string("\x07\x04\0\0", 4), remembered->bytes) << c.what;
        PluginTexts nextStart;
        nextStart.GuessUnlessAnswered(platform, platform);
        EXPECT_EQ(1001u, nextStart.Id(1)) << c.what << ": the next start";
    }
    FakePlatform portable = WithTexts();
    portable.keepsIniSettings = true;
    portable.editorLanguage = 0x409;
    PluginTexts texts;
    texts.FollowEditor(portable, portable, kWindow);
    EXPECT_TRUE(texts.english());
    EXPECT_FALSE(portable.HasKey(kJournalKey)) << "a portable editor writes no registry";
}

TEST(QueryStatus, EnabledUncheckedAndSafeWithoutAFlag) {
    int checked = 1;
    EXPECT_TRUE(QueryCommandStatus(&checked));
    EXPECT_EQ(0, checked);
    EXPECT_TRUE(QueryCommandStatus(nullptr));
}

}  // namespace
}  // namespace quorvin
