#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "FakePlatform.h"
#include "settings/HostSettings.h"
#include "settings/LoanJournal.h"

namespace quorvin {
namespace {

using testing::FakePlatform;
using Value = FakePlatform::Value;

const std::string kMacros = kMacrosKey;
constexpr ProcessStamp kEditorA{100, 5000};
constexpr ProcessStamp kEditorB{200, 6000};
constexpr ProcessStamp kNextEditor{300, 7000};

std::optional<Value> Macro0(const FakePlatform& platform) {
    return platform.FindValue(kMacros, "Macro0");
}

// As stored: a string in UTF-16, unit for unit.
std::optional<Value> StoredMacro0(const FakePlatform& platform) {
    const Value* value = platform.FindStoredValue(kMacros, "Macro0");
    return value ? std::optional<Value>(*value) : std::nullopt;
}

bool Same(const std::optional<Value>& a, const std::optional<Value>& b) {
    return a.has_value() == b.has_value() && (!a || (a->type == b->type && a->bytes == b->bytes));
}

const Value kUserString{kRegSz, std::string("C:\\mine.js\0", 11)};
const Value kUserExpandable{kRegExpandSz, std::string("%APPDATA%\\mine.js\0", 18)};
const Value kLentA{kRegSz, std::string("C:\\a.js\0", 8)};

TEST(LoanJournal, ALoanWhoseEditorDiedIsRepairedByTheNextProcess) {
    struct Case {
        const char* what;
        std::optional<Value> before;
        std::optional<Value> changedAfterDeath;  // the user or the editor wrote Macro0
        std::vector<ProcessStamp> running;       // besides the next editor
        std::optional<Value> after;
        bool journalLeft;
        std::vector<ProcessStamp> unopenable = {};  // running, but this user cannot open them
        bool foreignSubKey = false;                 // left under the journal's key
    };
    const Value other{kRegSz, std::string("C:\\other.js\0", 12)};
    const Case cases[] = {
        {"REG_SZ", kUserString, std::nullopt, {}, kUserString, false},
        {"REG_EXPAND_SZ", kUserExpandable, std::nullopt, {}, kUserExpandable, false},
        {"absent", std::nullopt, std::nullopt, {}, std::nullopt, false},
        {"changed since", kUserString, other, {}, other, false},
        {"lender still running", kUserString, std::nullopt, {kEditorA}, kLentA, true},
        {"its id reused", kUserString, std::nullopt, {ProcessStamp{100, 9999}}, kUserString, false},
        {"refuses to be opened",
         kUserString,
         std::nullopt,
         {kEditorA},
         kUserString,
         false,
         {kEditorA}},
        {"a sub-key beside it", kUserString, std::nullopt, {}, kUserString, false, {}, true},
    };
    for (const Case& c : cases) {
        FakePlatform platform;
        platform.AddKey(kMacros);
        if (c.before) platform.SetValueBytes(kMacros, "Macro0", c.before->type, c.before->bytes);
        platform.thisProcess = kEditorA;
        {
            MacroSlotLoan loan(platform);
            ASSERT_TRUE(loan.Begin("C:\\a.js")) << c.what;
            EXPECT_TRUE(platform.HasKey(kJournalKey)) << c.what;
            EXPECT_TRUE(Same(kLentA, Macro0(platform))) << c.what;
        }  // killed: End never runs
        if (c.foreignSubKey) platform.AddKey(std::string(kJournalKey) + "\\Backup");
        if (c.changedAfterDeath) {
            platform.SetValueBytes(kMacros, "Macro0", c.changedAfterDeath->type,
                                   c.changedAfterDeath->bytes);
        }
        platform.thisProcess = kNextEditor;
        platform.otherProcesses = c.running;
        platform.unopenableProcesses = c.unopenable;
        RepairLoans(platform);
        EXPECT_TRUE(Same(c.after, Macro0(platform))) << c.what;
        EXPECT_EQ(c.journalLeft, platform.HasKey(kJournalKey)) << c.what;
        EXPECT_EQ(c.journalLeft, platform.HasKeyBelow(kJournalKey)) << c.what;
        EXPECT_FALSE(platform.mutexHeld) << c.what;
        EXPECT_EQ(0, platform.OpenKeyCount()) << c.what;
    }
}

TEST(LoanJournal, OverlappingLoansSaveTheUsersValueOnceAndTheLastPutsItBack) {
    struct Case {
        const char* what;
        bool nested;      // both loans in editor A, else A and then B
        bool firstEnds;   // the first loan ends first, else the second
        bool secondDies;  // the second never ends, and its process is gone
    };
    const Case cases[] = {
        {"nested", true, false, false},
        {"nested, the inner run dies", true, false, true},
        {"two editors, the first ends first", false, true, false},
        {"two editors, the second ends first", false, false, false},
        {"two editors, the second dies", false, true, true},
    };
    for (const Case& c : cases) {
        FakePlatform platform;
        platform.AddKey(kMacros);
        platform.SetValueBytes(kMacros, "Macro0", kUserString.type, kUserString.bytes);
        platform.thisProcess = kEditorA;
        MacroSlotLoan first(platform);
        ASSERT_TRUE(first.Begin("C:\\a.js")) << c.what;
        if (!c.nested) {
            platform.thisProcess = kEditorB;
            platform.otherProcesses = {kEditorA};
        }
        std::optional<MacroSlotLoan> second(std::in_place, platform);
        ASSERT_TRUE(second->Begin("C:\\b.js")) << c.what;
        EXPECT_EQ(std::string("C:\\b.js\0", 8), Macro0(platform)->bytes) << c.what;
        platform.otherProcesses = {kEditorA, kEditorB};
        if (c.secondDies) {
            second.reset();
            if (c.nested) {
                // The whole editor died in the inner run; the next one repairs.
                platform.thisProcess = kNextEditor;
                platform.otherProcesses = {};
                RepairLoans(platform);
            } else {
                platform.thisProcess = kEditorA;
                platform.otherProcesses = {};
                first.End();
            }
        } else if (c.firstEnds) {
            first.End();
            second->End();
        } else {
            second->End();
            if (c.nested) EXPECT_TRUE(Same(kLentA, Macro0(platform))) << c.what;
            first.End();
        }
        EXPECT_TRUE(Same(kUserString, Macro0(platform))) << c.what;
        EXPECT_FALSE(platform.HasKey(kJournalKey)) << c.what;
    }
}

TEST(LoanJournal, NothingIsLentWhenTheJournalCannotBeRecorded) {
    FakePlatform platform;
    platform.AddKey(kMacros);
    platform.SetValueBytes(kMacros, "Macro0", kUserString.type, kUserString.bytes);
    platform.uncreatableKeys = {kJournalKey};
    MacroSlotLoan loan(platform);
    EXPECT_FALSE(loan.Begin("C:\\a.js"));
    EXPECT_TRUE(Same(kUserString, Macro0(platform)));

    platform.uncreatableKeys.clear();
    platform.mutexTimesOut = true;
    EXPECT_FALSE(loan.Begin("C:\\a.js"));
    EXPECT_TRUE(Same(kUserString, Macro0(platform)));
    EXPECT_FALSE(platform.HasKey(kJournalKey));
}

TEST(LoanJournal, AKeyWithNoCompleteJournalIsClearedAndTheLoanGoesOn) {
    FakePlatform platform;
    platform.AddKey(kMacros);
    platform.SetValueBytes(kMacros, "Macro0", kUserString.type, kUserString.bytes);
    platform.AddKey(std::string(kJournalKey) + "\\Backup");
    platform.SetString(kJournalKey, "Lent", "C:\\stale.js");
    for (int run = 0; run < 2; ++run) {
        MacroSlotLoan loan(platform);
        ASSERT_TRUE(loan.Begin("C:\\a.js")) << run;
        EXPECT_TRUE(Same(kLentA, Macro0(platform))) << run;
        loan.End();
        EXPECT_TRUE(Same(kUserString, Macro0(platform))) << run;
        EXPECT_FALSE(platform.HasKey(kJournalKey)) << run;
        EXPECT_FALSE(platform.HasKeyBelow(kJournalKey)) << run;
    }
}

// Whatever write fails, Macro0 holds the user's value, or a journal is left
// that the next command repairs: never is the wrong macro run.
TEST(LoanJournal, AFailedWriteLendsNothingOrLeavesAJournalToRepair) {
    struct Case {
        const char* unwritable;
        bool joining;  // while editor A's loan is in flight, editor B's fails
        bool atEnd;    // the end's write fails, not the beginning's
        std::optional<Value> before = kUserString;
    };
    const Case cases[] = {
        {"Lent", false, false},   {"Lenders", false, false},
        {"Saved", false, false},  {"SavedPresence", false, false},
        {"Macro0", false, false}, {"Lent", true, false},
        {"Lenders", true, false}, {"Macro0", true, false},
        {"Macro0", false, true},  {"Macro0", false, true, std::nullopt},
    };
    for (const Case& c : cases) {
        const std::string what = std::string(c.unwritable) + (c.joining ? ", joining" : "") +
                                 (c.atEnd ? ", at the end" : "") + (c.before ? "" : ", absent");
        FakePlatform platform;
        platform.AddKey(kMacros);
        if (c.before) platform.SetValueBytes(kMacros, "Macro0", c.before->type, c.before->bytes);
        platform.thisProcess = kEditorA;
        MacroSlotLoan first(platform);
        if (c.joining || c.atEnd) ASSERT_TRUE(first.Begin("C:\\a.js")) << what;
        platform.unwritableValues = {c.unwritable};
        if (c.atEnd) {
            first.End();
            EXPECT_TRUE(Same(kLentA, Macro0(platform))) << what;
            EXPECT_TRUE(platform.HasKey(kJournalKey)) << what;
            platform.unwritableValues.clear();
            RepairLoans(platform);  // the next command, in the same editor
        } else {
            platform.thisProcess = kEditorB;
            platform.otherProcesses = {kEditorA};
            MacroSlotLoan second(platform);
            EXPECT_FALSE(second.Begin("C:\\b.js")) << what;
            EXPECT_TRUE(Same(c.joining ? kLentA : *c.before, Macro0(platform))) << what;
            platform.unwritableValues.clear();
            if (c.joining) {
                platform.thisProcess = kEditorA;
                platform.otherProcesses = {};
                first.End();
            }
        }
        EXPECT_TRUE(Same(c.before, Macro0(platform))) << what;
        EXPECT_FALSE(platform.HasKey(kJournalKey)) << what;
        EXPECT_EQ(0, platform.OpenKeyCount()) << what;
    }
}

TEST(LoanJournal, DuringItsOwnLoanAProcessSeesTheUsersMacroAsRegisteredMacro0) {
    struct Case {
        const char* what;
        std::optional<Value> before;
        ProcessStamp reader;
        std::vector<std::string> expected;  // in UTF-8
        bool wide = false;                  // before as stored, UTF-16
    };
    const Value kUserOutsideTheCodePage{kRegSz,
                                        testing::Utf16Bytes(u"C:\\\u0141\u00F3d\u017A.js\0")};
    const Case cases[] = {
        {"this process lent it", kUserString, kEditorA, {"C:\\mine.js", "C:\\second.js"}},
        {"another process lent it", kUserString, kEditorB, {"C:\\a.js", "C:\\second.js"}},
        {"the user had none", std::nullopt, kEditorA, {}},
        {"by its true text",
         kUserOutsideTheCodePage,
         kEditorA,
         {"C:\\Łódź.js", "C:\\second.js"},
         true},
    };
    for (const Case& c : cases) {
        FakePlatform platform;
        platform.AddKey(kMacros);
        if (c.before && c.wide) {
            platform.SetStoredBytes(kMacros, "Macro0", c.before->type, c.before->bytes);
        } else if (c.before) {
            platform.SetValueBytes(kMacros, "Macro0", c.before->type, c.before->bytes);
        }
        const std::optional<Value> stored = StoredMacro0(platform);
        platform.SetString(kMacros, "Macro1", "C:\\second.js");
        platform.thisProcess = kEditorA;
        MacroSlotLoan loan(platform);
        ASSERT_TRUE(loan.Begin("C:\\a.js")) << c.what;
        platform.thisProcess = c.reader;
        platform.otherProcesses = {kEditorA};
        std::vector<std::string> registered;
        for (const WideString& path : RegisteredMacrosOutsideLoans(platform)) {
            registered.push_back(testing::Utf8(path));
        }
        EXPECT_EQ(c.expected, registered) << c.what;
        platform.thisProcess = kEditorA;
        loan.End();
        EXPECT_TRUE(Same(stored, StoredMacro0(platform))) << c.what;
    }
}

}  // namespace
}  // namespace quorvin
