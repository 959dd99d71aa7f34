#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "FakePlatform.h"
#include "settings/EditorSettings.h"
#include "settings/HostSettings.h"

namespace quorvin {
namespace {

using testing::FakePlatform;

const std::string kCommon = kCommonKey;
const std::string kMacros = kMacrosKey;

// Each setting that names a path, by its own reader.
std::vector<std::u16string> ReadEverySetting(FakePlatform& platform) {
    std::vector<std::u16string> read = {
        ReadHostString(platform, platform, kCommonKey, "MacroFolder"),
        ReadHostString(platform, platform, kCommonKey, "MacroFile")};
    const std::vector<WideString> registered = ReadRegisteredMacros(platform, platform);
    read.push_back(registered.empty() ? u"" : registered[0]);
    return read;
}

TEST(ReadHostString, ReadsEveryStoredFormAsItsTrueText) {
    struct Case {
        const char* what;
        std::uint32_t type;
        std::string bytes;
        std::u16string expected;
        bool wide = false;  // bytes as the wide call stores them, else as the narrow one
    };
    const Case cases[] = {
        {"with terminator", kRegSz, std::string("C:\\Macros\0", 10), u"C:\\Macros"},
        {"without terminator", kRegSz, "C:\\Macros", u"C:\\Macros"},
        {"lone terminator", kRegSz, std::string(1, '\0'), u""},
        {"no bytes", kRegSz, "", u""},
        {"expandable, not expanded", kRegExpandSz, std::string("%HOME%\\m\0", 10), u"%HOME%\\m"},
        {"binary bytes up to the first zero", kRegBinary, std::string("ab\0cd", 5), u"ab"},
        {"code page 932", kRegSz, "\x83\x5C\x83\x74\x83\x67", u"\u30BD\u30D5\u30C8"},
        // Not strings: their bytes are text in the code page.
        {"binary in code page 932", kRegBinary, "\x83\x5C", u"\u30BD"},
        {"a dword", kRegDword, std::string("AB\0\0", 4), u"AB"},
        // As the Unicode editor writes them, outside code page 932.
        {"UTF-16", kRegSz, testing::Utf16Bytes(u"C:\\\uD55C\uAD6D\uC5B4 \uB9E4\uD06C\uB85C\0"),
         u"C:\\\uD55C\uAD6D\uC5B4 \uB9E4\uD06C\uB85C", true},
        {"UTF-16 without terminator", kRegSz, testing::Utf16Bytes(u"C:\\\u0141\u00F3d\u017A"),
         u"C:\\\u0141\u00F3d\u017A", true},
        {"UTF-16 expandable", kRegExpandSz, testing::Utf16Bytes(u"%A%\\\u00E9\0"), u"%A%\\\u00E9",
         true},
        {"UTF-16 list, to the first zero", kRegMultiSz, testing::Utf16Bytes(u"\u00E9\0b\0\0"),
         u"\u00E9", true},
        {"UTF-16 of an odd size", kRegSz, testing::Utf16Bytes(u"ab") + "c", u"ab", true},
    };
    for (const Case& c : cases) {
        FakePlatform platform;
        for (const char* name : {"MacroFolder", "MacroFile"}) {
            if (c.wide) platform.SetStoredBytes(kCommon, name, c.type, c.bytes);
            if (!c.wide) platform.SetValueBytes(kCommon, name, c.type, c.bytes);
        }
        if (c.wide) platform.SetStoredBytes(kMacros, "Macro0", c.type, c.bytes);
        if (!c.wide) platform.SetValueBytes(kMacros, "Macro0", c.type, c.bytes);
        EXPECT_EQ(std::vector<std::u16string>(3, c.expected), ReadEverySetting(platform)) << c.what;
        EXPECT_EQ(0, platform.OpenKeyCount()) << c.what;
    }
}

TEST(ReadHostString, MissingKeyOrValueReadsEmptyAndCreatesNothing) {
    FakePlatform platform;
    EXPECT_TRUE(ReadHostString(platform, platform, kCommonKey, "MacroFolder").empty());
    EXPECT_FALSE(platform.HasKey(kCommon));
    platform.AddKey(kCommon);
    EXPECT_TRUE(ReadHostString(platform, platform, kCommonKey, "MacroFolder").empty());
    EXPECT_EQ(0, platform.OpenKeyCount());
}

TEST(SaveKeyValue, AValueThatGrowsBeforeTheReadIsAskedForAgain) {
    FakePlatform platform;
    platform.SetString(kCommon, "MacroFolder", "C:\\A");
    int growths = 0;
    platform.onQuery = [&](const std::string&, bool sizeOnly) {
        if (!sizeOnly && growths < 2) {
            ++growths;
            platform.SetString(kCommon, "MacroFolder", "C:\\Longer" + std::to_string(growths));
        }
    };
    EXPECT_EQ(u"C:\\Longer2", ReadHostString(platform, platform, kCommonKey, "MacroFolder"));
}

TEST(SaveKeyValue, AValueThatNeverStopsGrowingIsUnreadableNotInvented) {
    FakePlatform platform;
    std::string text = "C:\\A";
    platform.SetString(kMacros, "Macro0", text);
    platform.onQuery = [&](const std::string&, bool) {
        text += "longer";
        platform.SetString(kMacros, "Macro0", text);
    };
    const HostKey key = OpenHostKey(platform, kMacrosKey, kKeyRead);
    const StoredValue value = SaveKeyValue(platform, key, "Macro0");
    EXPECT_EQ(ValuePresence::kUnreadable, value.presence);
    EXPECT_TRUE(ReadKeyString(platform, platform, key, "Macro0").empty());
}

TEST(SaveKeyValue, TellsAbsentFromPresentFromUnreadable) {
    FakePlatform platform;
    platform.SetString(kMacros, "Macro0", "");
    platform.failingValues["Denied"] = 5;
    const HostKey key = OpenHostKey(platform, kMacrosKey, kKeyRead);
    EXPECT_EQ(ValuePresence::kPresent, SaveKeyValue(platform, key, "Macro0").presence);
    EXPECT_EQ(ValuePresence::kAbsent, SaveKeyValue(platform, key, "Macro1").presence);
    EXPECT_EQ(ValuePresence::kUnreadable, SaveKeyValue(platform, key, "Denied").presence);
}

TEST(SaveKeyValue, AValueThatVanishesBeforeTheReadIsAbsent) {
    FakePlatform platform;
    platform.SetString(kMacros, "Macro0", "x");
    const HostKey key = OpenHostKey(platform, kMacrosKey, kKeyReadWriteCreate);
    platform.onQuery = [&](const std::string&, bool sizeOnly) {
        if (!sizeOnly) {
            DeleteKeyValue(platform, key, "Macro0");
        }
    };
    EXPECT_EQ(ValuePresence::kAbsent, SaveKeyValue(platform, key, "Macro0").presence);
}

TEST(ReadAcceleratorStyle, OnlyAFullDwordCounts) {
    struct Case {
        const char* what;
        bool present;
        std::uint32_t type;
        std::string bytes;
        std::int32_t expected;
    };
    const Case cases[] = {
        {"absent", false, 0, "", -1},
        {"two", true, kRegDword, std::string("\2\0\0\0", 4), 2},
        {"one", true, kRegDword, std::string("\1\0\0\0", 4), 1},
        {"negative", true, kRegDword, "\xFE\xFF\xFF\xFF", -2},
        {"string", true, kRegSz, std::string("2\0", 2), -1},
        {"binary of four bytes", true, kRegBinary, std::string("\2\0\0\0", 4), -1},
        {"short dword", true, kRegDword, std::string("\2\0", 2), -1},
        {"empty dword", true, kRegDword, "", -1},
        {"long dword", true, kRegDword, std::string("\2\0\0\0\0\0\0\0", 8), -1},
    };
    for (const Case& c : cases) {
        FakePlatform platform;
        platform.AddKey(kCommon);
        if (c.present) {
            platform.SetValueBytes(kCommon, "ExtraShortCut", c.type, c.bytes);
        }
        EXPECT_EQ(c.expected, ReadAcceleratorStyle(platform)) << c.what;
        EXPECT_EQ(0, platform.OpenKeyCount()) << c.what;
    }
    FakePlatform noKey;
    EXPECT_EQ(-1, ReadAcceleratorStyle(noKey));
}

TEST(ReadRegisteredMacros, StopsAtTheFirstEmptyValue) {
    struct Case {
        const char* what;
        std::vector<std::pair<std::string, std::string>> values;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"gap", {{"Macro0", "a"}, {"Macro1", "b"}, {"Macro3", "d"}}, {"a", "b"}},
        {"empty first", {{"Macro0", ""}, {"Macro1", "b"}}, {}},
        {"none", {}, {}},
        {"many",
         {{"Macro0", "a"},
          {"Macro1", "b"},
          {"Macro2", "c"},
          {"Macro3", "d"},
          {"Macro4", "e"},
          {"Macro5", "f"},
          {"Macro6", "g"},
          {"Macro7", "h"},
          {"Macro8", "i"},
          {"Macro9", "j"},
          {"Macro10", "k"}},
         {"a", "b", "c", "d", "e", "f", "g", "h", "i", "j", "k"}},
    };
    for (const Case& c : cases) {
        FakePlatform platform;
        platform.AddKey(kMacros);
        for (const auto& [name, text] : c.values) {
            platform.SetString(kMacros, name, text);
        }
        std::vector<std::string> got;
        for (const WideString& path : ReadRegisteredMacros(platform, platform)) {
            got.push_back(testing::Encode(path));
        }
        EXPECT_EQ(c.expected, got) << c.what;
        EXPECT_EQ(0, platform.OpenKeyCount()) << c.what;
    }
}

TEST(ReadRegisteredMacros, MissingKeyGivesNothingForEveryAccessMask) {
    FakePlatform platform;
    EXPECT_TRUE(ReadRegisteredMacros(platform, platform).empty());
    for (std::uint32_t access : {kKeyRead, kKeyWrite, kKeyReadWriteCreate}) {
        EXPECT_FALSE(OpenHostKey(platform, kMacrosKey, access)) << std::hex << access;
    }
    EXPECT_FALSE(platform.HasKey(kMacros));
}

TEST(RestoreKeyValue, PutsBackTypeAndBytesOrDeletes) {
    FakePlatform platform;
    platform.SetValueBytes(kMacros, "Macro0", kRegExpandSz, std::string("%A%\0", 4));
    const HostKey key = OpenHostKey(platform, kMacrosKey, kKeyReadWriteCreate);
    const StoredValue saved = SaveKeyValue(platform, key, "Macro0");
    WriteKeyString(platform, key, "Macro0", "other");
    EXPECT_EQ(std::string("other\0", 6), platform.FindValue(kMacros, "Macro0")->bytes);
    EXPECT_EQ(kRegSz, platform.FindValue(kMacros, "Macro0")->type);
    RestoreKeyValue(platform, key, "Macro0", saved);
    EXPECT_EQ(kRegExpandSz, platform.FindValue(kMacros, "Macro0")->type);
    EXPECT_EQ(std::string("%A%\0", 4), platform.FindValue(kMacros, "Macro0")->bytes);

    RestoreKeyValue(platform, key, "Macro0", StoredValue());
    EXPECT_FALSE(platform.FindValue(kMacros, "Macro0"));
}

// A portable editor keeps the same settings in its own store and says so:
// they are read through its messages, by the same rule, and the registry,
// which holds another editor's, is not looked at.
TEST(EditorSettings, TheEditorsOwnStoreWhenItSaysSo) {
    using StoreValue = FakePlatform::StoreValue;
    struct Case {
        const char* what;
        bool keepsIni;
        std::optional<StoreValue> folder;  // MacroFolder in the editor's store
        std::optional<StoreValue> style;   // ExtraShortCut there
        std::u16string expectedFolder;
        std::int32_t expectedStyle;
    };
    const StoreValue two{kRegDword, std::string("\2\0\0\0", 4)};
    auto text = [](const std::u16string& path) {
        return StoreValue{kRegSz, testing::Utf16Bytes(path + u'\0')};
    };
    const Case cases[] = {
        {"the registry, asked", false, text(u"C:\\Ini"), two, u"C:\\Registry", 1},
        {"its store", true, text(u"C:\\\uD55C\uAD6D\uC5B4"), two, u"C:\\\uD55C\uAD6D\uC5B4", 2},
        {"absent", true, std::nullopt, std::nullopt, u"", -1},
        {"empty", true, text(u""), std::nullopt, u"", -1},
        {"an error: asked for a string, kept as a number", true, two, text(u"2"), u"", -1},
        {"relative to the editor's program", true, text(u"Macros\\Mine"), two,
         u"C:\\Tools\\EmEditor\\Macros\\Mine", 2},
        {"rooted without a drive", true, text(u"\\Macros"), two, u"C:\\Tools\\EmEditor\\Macros", 2},
        {"a network path", true, text(u"\\\\server\\m"), two, u"\\\\server\\m", 2},
        // Past the first buffer's 520 bytes, the editor names the size it needs.
        {"a path of 300 units", true, text(u"C:\\" + std::u16string(300, u'p')), two,
         u"C:\\" + std::u16string(300, u'p'), 2},
        // No reply may size a buffer past 1 MiB.
        {"a path past 1 MiB", true, text(u"C:\\" + std::u16string(kMostSettingBytes / 2, u'p')),
         two, u"", 2},
    };
    for (const Case& c : cases) {
        FakePlatform platform;
        platform.SetString(kCommon, "MacroFolder", "C:\\Registry");
        platform.SetDword(kCommon, "ExtraShortCut", 1);
        platform.SetString(kMacros, "Macro0", "C:\\Registry\\a.js");
        platform.keepsIniSettings = c.keepsIni;
        if (c.folder) platform.editorStore[u"Common"][u"MacroFolder"] = *c.folder;
        if (c.style) platform.editorStore[u"Common"][u"ExtraShortCut"] = *c.style;
        platform.SetStoreString(u"Macros", u"Macro0", u"a.js");
        platform.SetStoreString(u"Macros", u"Macro1", u"");
        platform.SetStoreString(u"Macros", u"Macro2", u"C:\\c.js");
        platform.keyOpens.clear();
        SettingsChoice settings(platform, platform, reinterpret_cast<WindowHandle>(0xED));
        SettingsStore& store = settings.store();
        EXPECT_EQ(c.expectedFolder, store.ResolveSettingPath(
                                        ReadHostString(platform, store, kCommonKey, "MacroFolder")))
            << c.what;
        EXPECT_EQ(c.expectedStyle, ReadAcceleratorStyle(store)) << c.what;
        // The list stops at the first empty Macro<i>.
        EXPECT_EQ(c.keepsIni ? std::vector<std::u16string>{u"C:\\Tools\\EmEditor\\a.js"}
                             : std::vector<std::u16string>{u"C:\\Registry\\a.js"},
                  ReadRegisteredMacros(platform, store))
            << c.what;
        EXPECT_EQ(c.keepsIni, platform.keyOpens.empty()) << c.what;
        EXPECT_EQ(c.keepsIni, platform.storeMessages > 0) << c.what;
        EXPECT_LE(platform.largestBufferOffered, kMostSettingBytes) << c.what;
    }
}

}  // namespace
}  // namespace quorvin
