#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "FakePlatform.h"
#include "command/MacroCommand.h"
#include "settings/EditorSettings.h"
#include "settings/HostSettings.h"
#include "settings/LoanJournal.h"

// Every loan scenario replayed once for every platform call it makes and
// every fault there: that call fails (a mutex wait times out), or the process
// dies right after it. Then the faults stop, every editor still running runs
// its next command, a new editor starts and runs one, and the user's Macro0
// must be back as it was, with no journal left and no wrong macro ever run.
namespace quorvin {
namespace {

using testing::FakePlatform;

const std::string kMacros = kMacrosKey;
const std::string kFolder = "C:\\M";
const char* const kFiles[] = {"mine.js", "a.js", "b.js", "c.js"};  // &1 to &4
constexpr ProcessStamp kNextEditor{900, 9000};

ProcessStamp StampOf(char process) {
    return ProcessStamp{static_cast<std::uint32_t>(process), 1000u + process};
}

enum class Action {
    kLend,           // a loan of the file, run at once
    kEnd,            // the loan ends
    kEndUnwritable,  // the loan ends while Macro0 cannot be written: kept for a retry
    kMenu,           // the menu, the file chosen while the loan ends, if one is named
};

struct Step {
    char process;
    Action action;
    int loan;  // which loan; for kMenu, the one that ends while the menu is open, or -1
    const char* file = nullptr;
    // Without faults: the file Macro0 then names ("mine.js" is the user's) and
    // whether a journal is left; nullptr and -1 check nothing.
    const char* macro0After = nullptr;
    int journalAfter = -1;
};

struct Scenario {
    const char* name;
    bool userHasMacro0;
    std::vector<Step> steps;
};

const Scenario kScenarios[] = {
    {"a single loan",
     true,
     {{'A', Action::kLend, 0, "a.js", "a.js", 1}, {'A', Action::kEnd, 0, nullptr, "mine.js", 0}}},
    {"a single loan, the user has no macro 0",
     false,
     {{'A', Action::kLend, 0, "a.js", "a.js", 1}, {'A', Action::kEnd, 0, nullptr, nullptr, 0}}},
    {"a loan nested in a loan of the same editor",
     true,
     {{'A', Action::kLend, 0, "a.js"},
      {'A', Action::kLend, 1, "b.js", "b.js", 1},
      {'A', Action::kEnd, 1, nullptr, "a.js", 1},
      {'A', Action::kEnd, 0, nullptr, "mine.js", 0}}},
    {"two editors, the first ends first",
     true,
     {{'A', Action::kLend, 0, "a.js"},
      {'B', Action::kLend, 1, "b.js", "b.js", 1},
      {'A', Action::kEnd, 0, nullptr, "b.js", 1},
      {'B', Action::kEnd, 1, nullptr, "mine.js", 0}}},
    {"two editors, the second ends first",
     true,
     {{'A', Action::kLend, 0, "a.js"},
      {'B', Action::kLend, 1, "b.js"},
      {'B', Action::kEnd, 1, nullptr, "a.js", 1},
      {'A', Action::kEnd, 0, nullptr, "mine.js", 0}}},
    {"two editors, the user has no macro 0",
     false,
     {{'A', Action::kLend, 0, "a.js"},
      {'B', Action::kLend, 1, "b.js"},
      {'A', Action::kEnd, 0},
      {'B', Action::kEnd, 1, nullptr, nullptr, 0}}},
    {"a loan while a kept journal waits for a retry",
     true,
     {{'A', Action::kLend, 0, "a.js"},
      {'A', Action::kEndUnwritable, 0, nullptr, "a.js", 1},
      {'B', Action::kLend, 1, "b.js", "b.js", 1},
      {'B', Action::kEnd, 1, nullptr, "mine.js", 0}}},
    {"the user's macro 0 chosen in another editor, the loan ending meanwhile",
     true,
     {{'A', Action::kLend, 0, "a.js"}, {'B', Action::kMenu, 0, "&1 mine.js", "mine.js", 0}}},
    {"the lent file chosen in another editor, the loan ending meanwhile",
     true,
     {{'A', Action::kLend, 0, "a.js"}, {'B', Action::kMenu, 0, "&2 a.js", "mine.js", 0}}},
    {"the user's macro 0 chosen in the same editor",
     true,
     {{'A', Action::kLend, 0, "a.js"},
      {'A', Action::kMenu, -1, "&1 mine.js", "a.js", 1},
      {'A', Action::kEnd, 0, nullptr, "mine.js", 0}}},
    {"three loans, the middle one ending first",
     true,
     {{'A', Action::kLend, 0, "a.js"},
      {'B', Action::kLend, 1, "b.js"},
      {'C', Action::kLend, 2, "c.js", "c.js", 1},
      {'B', Action::kEnd, 1, nullptr, "c.js", 1},
      {'C', Action::kEnd, 2},
      {'A', Action::kEnd, 0, nullptr, "mine.js", 0}}},
};

enum class Fault { kNone, kFails, kDies };

std::string PathOf(const std::string& file) { return kFolder + "\\" + file; }
// A menu label, "&1 mine.js", names its file after the prefix.
std::string PathOfLabel(const std::string& label) {
    return PathOf(label.substr(label.find(' ') + 1));
}

struct Outcome {
    std::vector<std::string> failures;
    std::vector<std::string> calls;
};

WindowHandle const kWindow = reinterpret_cast<WindowHandle>(0xED);

// A value as a store keeps it: its type and bytes.
using Kept = std::optional<std::pair<std::uint32_t, std::string>>;

// One run of a scenario in one store, and what went wrong in it.
class Replay {
  public:
    Replay(const Scenario& scenario, bool ini, Fault fault, std::size_t call)
        : scenario_(scenario), ini_(ini), editorStore_(platform_, kWindow) {
        for (const Step& step : scenario.steps) {
            if (step.action == Action::kLend) owners_[step.loan] = step.process;
        }
        for (const char* file : kFiles) platform_.AddFile(kFolder + "\\" + file);
        // Where the editor keeps its settings in its own store, the registry
        // holds another editor's, which nothing may touch.
        platform_.AddKey(kMacros);
        platform_.SetString(kCommonKey, kMacroFolderValue, ini ? "C:\\Other" : kFolder);
        if (ini) {
            platform_.keepsIniSettings = true;
            platform_.SetString(kMacros, "Macro0", "C:\\Other\\stale.js");
            platform_.SetStoreString(u"Common", u"MacroFolder", testing::Decode(kFolder));
            if (scenario.userHasMacro0) {
                platform_.SetStoreString(u"Macros", u"Macro0", testing::Decode(PathOf("mine.js")));
            }
        } else if (scenario.userHasMacro0) {
            platform_.SetString(kMacros, "Macro0", PathOf("mine.js"));
        }
        registry_ = RegistryMacro0();
        user_ = Stored("Macro0");
        platform_.counting = true;
        platform_.failingCall = fault == Fault::kFails ? call : 0;
        platform_.dyingCall = fault == Fault::kDies ? call : 0;
        baseline_ = fault == Fault::kNone;
    }

    void Run() {
        for (std::size_t i = 0; i < scenario_.steps.size(); ++i) {
            const Step& step = scenario_.steps[i];
            if (dead_.count(step.process)) continue;
            started_.insert(step.process);
            AsProcess(step.process, [&] { Play(step); });
            if (baseline_) Expect(step, i);
        }
        platform_.counting = false;
        for (std::optional<MacroSlotLoan>& loan : loans_) loan.reset();  // the dead never end
        for (char process : started_) {
            if (!dead_.count(process)) AsProcess(process, [&] { RepairLoans(platform_, store()); });
        }
        platform_.thisProcess = kNextEditor;
        platform_.otherProcesses = Alive();
        RepairLoans(platform_, store());
        platform_.onTrack = [](FakePlatform&, MenuHandle) { return 0u; };
        RunMacroMenuCommand(platform_, platform_, texts_, kWindow);
        if (Stored("Macro0") != user_) Fail("Macro0 is not the user's value: " + Text("Macro0"));
        if (JournalLeft()) Fail("a journal is left");
        // A failed EI_USE_INI reads as an editor of the registry's, which may
        // remember its language there; nothing else may stay.
        if (ini_ && (platform_.HoldsJournal() ||
                     platform_.FindStoredValue(kJournalKey, kLastMacroValue) != nullptr ||
                     RegistryMacro0() != registry_)) {
            Fail("the registry was changed");
        }
    }

    Outcome outcome() const { return Outcome{failures_, platform_.calls}; }

  private:
    SettingsStore& store() { return ini_ ? static_cast<SettingsStore&>(editorStore_) : platform_; }

    Kept Stored(const std::string& name) const {
        if (ini_) {
            const auto* value = platform_.FindStoreValue(u"Macros", testing::Decode(name));
            return value ? Kept({value->type, value->bytes}) : std::nullopt;
        }
        const FakePlatform::Value* value = platform_.FindStoredValue(kMacros, name);
        return value ? Kept({value->type, value->bytes}) : std::nullopt;
    }

    // The path the editor would read, in UTF-8.
    std::string Text(const std::string& name) const {
        const Kept value = Stored(name);
        if (!value) return "(absent)";
        std::u16string text(value->second.size() / 2, u'\0');
        std::memcpy(&text[0], value->second.data(), text.size() * 2);
        return testing::Utf8(text.c_str());
    }

    std::string RegistryMacro0() const {
        const FakePlatform::Value* value = platform_.FindStoredValue(kMacros, "Macro0");
        return value ? value->bytes : "(absent)";
    }

    bool JournalLeft() const {
        return ini_ ? platform_.StoreHoldsJournal() : platform_.HoldsJournal();
    }

    std::vector<ProcessStamp> Alive() const {
        std::vector<ProcessStamp> alive;
        for (char process : started_) {
            if (!dead_.count(process)) alive.push_back(StampOf(process));
        }
        return alive;
    }

    void BecomeProcess(char process) {
        current_ = process;
        platform_.thisProcess = StampOf(process);
        platform_.otherProcesses.clear();
        for (const ProcessStamp& other : Alive()) {
            if (!(other == platform_.thisProcess)) platform_.otherProcesses.push_back(other);
        }
    }

    // Runs what the process does, inside what another does or at the top; a
    // death there kills it, its loans unended.
    template <typename Work>
    void AsProcess(char process, const Work& work) {
        const char before = current_;
        BecomeProcess(process);
        platform_.died = false;
        try {
            work();
        } catch (const FakePlatform::ProcessDied&) {
        }
        if (platform_.died) {
            platform_.died = false;
            dead_.insert(process);
            platform_.mutexHeld = false;  // abandoned: the next wait owns it
        }
        if (before != 0) BecomeProcess(before);
        current_ = before;
    }

    void Ran(const std::string& chosen, const std::string& runs) {
        if (chosen != runs) Fail("chose " + chosen + " and the editor ran " + runs);
    }

    void Play(const Step& step) {
        std::optional<MacroSlotLoan>& loan = step.loan >= 0 ? loans_[step.loan] : loans_[3];
        switch (step.action) {
            case Action::kLend:
                loan.emplace(platform_, store());
                if (loan->Begin(testing::Decode(PathOf(step.file)))) {
                    Ran(PathOf(step.file), Text("Macro0"));
                }
                break;
            case Action::kEnd:
                if (loan) loan->End();
                break;
            case Action::kEndUnwritable: {
                struct Unwritable {
                    FakePlatform& platform;
                    ~Unwritable() { platform.unwritableValues.clear(); }
                } unwritable{platform_};
                platform_.unwritableValues = {"Macro0"};
                if (loan) loan->End();
                break;
            }
            case Action::kMenu:
                PlayMenu(step);
                break;
        }
    }

    void PlayMenu(const Step& step) {
        const std::string chosen = PathOfLabel(step.file);
        platform_.onTrack = [&](FakePlatform& fake, MenuHandle menu) {
            if (step.loan >= 0 && loans_[step.loan] && !dead_.count(owners_[step.loan])) {
                AsProcess(owners_[step.loan], [&] { loans_[step.loan]->End(); });
            }
            // A fault may have cost the menu its items: nothing to choose then.
            const FakePlatform::Item* item = fake.FindItem(menu, step.file);
            return item ? item->id : 0u;
        };
        platform_.onSend = [&](const FakePlatform::Message& message) {
            if (message.message == 2070) Ran(chosen, Text("Macro0"));
        };
        const std::size_t before = platform_.messages.size();
        RunMacroMenuCommand(platform_, platform_, texts_, kWindow);
        platform_.onTrack = nullptr;
        platform_.onSend = nullptr;
        // The editor runs a posted macro once the command has returned.
        for (std::size_t i = before; i < platform_.messages.size(); ++i) {
            const FakePlatform::Message& message = platform_.messages[i];
            if (message.posted && message.message == 2070) {
                Ran(chosen, Text("Macro" + std::to_string(message.wParam - 9216)));
            }
        }
    }

    void Expect(const Step& step, std::size_t index) {
        const std::string at = "after step " + std::to_string(index + 1) + ": ";
        if (step.macro0After != nullptr && Text("Macro0") != PathOf(step.macro0After)) {
            Fail(at + "Macro0 is " + Text("Macro0") + ", not " + step.macro0After);
        }
        if (step.macro0After == nullptr && step.journalAfter == 0 && Stored("Macro0")) {
            Fail(at + "Macro0 is " + Text("Macro0") + ", not absent");
        }
        if (step.journalAfter >= 0 && JournalLeft() != (step.journalAfter == 1)) {
            Fail(at + (step.journalAfter ? "no journal" : "a journal is left"));
        }
    }

    void Fail(const std::string& what) { failures_.push_back(what); }

    const Scenario& scenario_;
    const bool ini_;
    FakePlatform platform_;
    EditorSettings editorStore_;
    PluginTexts texts_;
    std::string registry_;  // the other editor's Macro0, in the registry
    Kept user_;
    bool baseline_ = false;
    std::optional<MacroSlotLoan> loans_[4];
    char owners_[4] = {};
    std::set<char> started_;
    std::set<char> dead_;
    char current_ = 0;
    std::vector<std::string> failures_;
};

std::string Describe(const Scenario& scenario, bool ini, Fault fault, std::size_t call,
                     const std::vector<std::string>& names) {
    const std::string where = std::string(scenario.name) + (ini ? ", in the editor's store" : "");
    if (fault == Fault::kNone) return where + ", without faults";
    const std::string name = call - 1 < names.size() ? names[call - 1] : "?";
    const char* how = fault == Fault::kFails ? (name == "WaitForMutex" ? "times out" : "fails")
                                             : "and then the process dies";
    return where + ": call " + std::to_string(call) + " (" + name + ") " + how;
}

TEST(LoanExplorer, EveryFailedCallAndEveryDeathLeavesTheUsersMacro0) {
    std::size_t tried = 0;
    for (const bool ini : {false, true}) {
        for (const Scenario& scenario : kScenarios) {
            auto play = [&](Fault fault, std::size_t call) {
                Replay replay(scenario, ini, fault, call);
                replay.Run();
                ++tried;
                return replay.outcome();
            };
            const Outcome baseline = play(Fault::kNone, 0);
            for (const std::string& failure : baseline.failures) {
                ADD_FAILURE() << Describe(scenario, ini, Fault::kNone, 0, baseline.calls) << ": "
                              << failure;
            }
            for (std::size_t call = 1; call <= baseline.calls.size(); ++call) {
                for (const Fault fault : {Fault::kFails, Fault::kDies}) {
                    for (const std::string& failure : play(fault, call).failures) {
                        ADD_FAILURE() << Describe(scenario, ini, fault, call, baseline.calls)
                                      << ": " << failure;
                    }
                }
            }
        }
    }
    std::printf("The loan explorer tried %zu cases.\n", tried);
}

}  // namespace
}  // namespace quorvin
