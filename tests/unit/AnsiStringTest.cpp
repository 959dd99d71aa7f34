#include <gtest/gtest.h>

#include <string>

#include "FakePlatform.h"
#include "common/AnsiString.h"

namespace quorvin {
namespace {

TEST(AnsiString, CopiesShareOneBufferUntilOneChanges) {
    AnsiString original("macro");
    AnsiString copy(original);
    EXPECT_EQ(original.c_str(), copy.c_str());
    EXPECT_EQ(2, original.ShareCount());

    copy.MutableData()[0] = 'M';
    EXPECT_STREQ("macro", original.c_str());
    EXPECT_STREQ("Macro", copy.c_str());
    EXPECT_EQ(1, original.ShareCount());

    copy += ".js";
    EXPECT_STREQ("Macro.js", copy.c_str());
    EXPECT_STREQ("macro", original.c_str());

    // Appending in a loop leaves room in the buffer; a copy sharing it must
    // still not see what the other appends there.
    AnsiString grown("a");
    for (int i = 0; i < 10; ++i) grown += "b";
    AnsiString shared(grown);
    shared += "c";
    grown += "d";
    EXPECT_STREQ("abbbbbbbbbbc", shared.c_str());
    EXPECT_STREQ("abbbbbbbbbbd", grown.c_str());
}

TEST(AnsiString, EmptyStringsShareTheStaticRepresentation) {
    AnsiString a;
    AnsiString b("");
    EXPECT_EQ(a.c_str(), b.c_str());
    EXPECT_EQ(0, a.ShareCount());
    EXPECT_TRUE(a.empty());
    a += "";
    EXPECT_EQ(a.c_str(), b.c_str());
}

TEST(AnsiString, AppendingToItselfAndConcatenating) {
    AnsiString text("ab");
    text += text;
    EXPECT_STREQ("abab", text.c_str());
    AnsiString shared(text);
    text += text;
    EXPECT_STREQ("abababab", text.c_str());
    EXPECT_STREQ("abab", shared.c_str());
    EXPECT_STREQ("abab-x", (shared + "-x").c_str());
    EXPECT_EQ(8u, text.size());
}

TEST(AnsiString, MovedFromStringIsEmpty) {
    AnsiString source("path");
    AnsiString target(std::move(source));
    EXPECT_STREQ("path", target.c_str());
    EXPECT_TRUE(source.empty());  // NOLINT: checking the moved-from state on purpose
    source = target;
    target = std::move(source);
    EXPECT_STREQ("path", target.c_str());
}

TEST(AnsiString, FormatIsCutAtItsLimit) {
    const std::string longText(5000, 'x');
    const AnsiString cut = AnsiString::Format("%s", longText.c_str());
    EXPECT_EQ(AnsiString::kFormatLimit - 1, cut.size());
    EXPECT_STREQ("Macro12", AnsiString::Format("Macro%d", 12).c_str());
}

TEST(AnsiString, LoadsResourcesOfAnyLength) {
    struct Case {
        std::size_t length;
        std::vector<int> sizesTried;
    };
    const Case cases[] = {
        {0, {256}},
        {10, {256}},
        {253, {256}},
        {254, {256, 512}},
        {509, {256, 512}},
        {510, {256, 512, 768}},
        {1000, {256, 512, 768, 1024}},
        {1022, {256, 512, 768, 1024, 1280}},
    };
    for (const Case& c : cases) {
        testing::FakePlatform platform;
        const std::string text(c.length, 'q');
        platform.strings[7] = text;
        const AnsiString loaded = LoadResourceString(platform, 7);
        EXPECT_EQ(text, loaded.c_str()) << "length " << c.length;
        EXPECT_EQ(c.sizesTried, platform.loadStringSizes) << "length " << c.length;
    }
}

}  // namespace
}  // namespace quorvin
