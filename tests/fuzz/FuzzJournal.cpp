// The loan journal as a store may hold it after anything: each of its values
// of any type, size and bytes, or nearly what a loan writes; its lenders
// alive or gone; in the registry or in the editor's own store. Nothing is
// read past its buffer, nothing is left open, and with every lender gone a
// loan that starts after the repair puts Macro0 back as the repair left it.
#include <cstdlib>
#include <cstring>

#include "FakePlatform.h"
#include "FuzzInput.h"
#include "settings/EditorSettings.h"
#include "settings/HostSettings.h"
#include "settings/JournalRecords.h"
#include "settings/LoanJournal.h"

using namespace quorvin;
using testing::FakePlatform;

namespace {

WindowHandle const kWindow = reinterpret_cast<WindowHandle>(0xED);
constexpr ProcessStamp kOther{200, 6000};
const char16_t* const kPaths[] = {u"C:\\mine.js", u"C:\\a.js", u"C:\\run.js", u"C:\\\uD55C.js"};

std::string Bytes(const void* data, std::size_t size) {
    return std::string(static_cast<const char*>(data), size);
}

std::string LendersBytes(testing::FuzzInput& input, const ProcessStamp& self) {
    std::string bytes;
    for (int count = input.Byte() % 4; count > 0; --count) {
        const ProcessStamp pick[] = {self, kOther, ProcessStamp{900, 1}};
        const ProcessStamp& process = pick[input.Byte() % 3];
        const Lenders::Lender lender{process.id, 0, process.created};
        bytes += Bytes(&lender, sizeof lender);
    }
    return bytes;
}

std::string LentBytes(testing::FuzzInput& input) {
    std::u16string list;
    for (int count = input.Byte() % 4; count > 0; --count) {
        list += kPaths[input.Byte() % 4];
        list += u'\0';
    }
    if (input.Bool()) list += u'\0';
    return testing::Utf16Bytes(list);
}

// Nearly what a loan writes, cut or padded now and then; or anything at all.
FakePlatform::Value Fuzzed(testing::FuzzInput& input, std::uint32_t type, std::string bytes) {
    if (input.Byte() % 4 == 0) {
        const std::uint32_t anyType = input.Byte() % 12;
        return {anyType, input.Bytes(input.Short() % 20000)};
    }
    switch (input.Byte() % 6) {
        case 0:
            bytes.resize(bytes.size() > 0 ? bytes.size() - 1 : 0);
            break;
        case 1:
            bytes += input.Bytes(input.Byte());
            break;
        default:
            break;
    }
    return {type, bytes};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    testing::FuzzInput input(data, size);
    testing::FakePlatform platform;
    const bool inEditorStore = input.Bool();
    const bool otherAlive = input.Bool();
    platform.keepsIniSettings = inEditorStore;
    if (otherAlive) platform.otherProcesses = {kOther};
    platform.AddKey(kMacrosKey);
    const char16_t* user = kPaths[input.Byte() % 4];
    const std::uint32_t presence = input.Byte() % 3;
    const FakePlatform::Value values[] = {
        Fuzzed(input, kRegBinary, LendersBytes(input, platform.thisProcess)),
        Fuzzed(input, inEditorStore ? kRegBinary : kRegMultiSz, LentBytes(input)),
        Fuzzed(input, kRegSz, testing::Utf16Bytes(std::u16string(user) + u'\0')),
        Fuzzed(input, kRegDword, Bytes(&presence, sizeof presence)),
    };
    const char* const names[] = {kLendersValue, kLentValue, kSavedValue, kSavedPresenceValue};
    const std::u16string macro0 = kPaths[input.Byte() % 4];
    for (std::size_t i = 0; i < 4; ++i) {
        if (!input.Bool()) continue;
        if (inEditorStore) {
            platform.editorStore[u"Quorvin"][testing::Decode(names[i])] = {values[i].type,
                                                                           values[i].bytes};
        } else {
            platform.SetStoredBytes(kJournalKey, names[i], values[i].type, values[i].bytes);
        }
    }
    if (inEditorStore) {
        platform.SetStoreString(u"Macros", u"Macro0", macro0);
    } else {
        platform.SetWideString(kMacrosKey, "Macro0", macro0);
    }
    auto storedMacro0 = [&]() -> std::string {
        if (inEditorStore) {
            const auto* value = platform.FindStoreValue(u"Macros", u"Macro0");
            return value ? std::to_string(value->type) + ":" + value->bytes : "(absent)";
        }
        const auto* value = platform.FindStoredValue(kMacrosKey, "Macro0");
        return value ? std::to_string(value->type) + ":" + value->bytes : "(absent)";
    };

    SettingsChoice settings(platform, platform, kWindow);
    SettingsStore& store = settings.store();
    RegisteredMacrosOutsideLoans(platform, store);
    RepairLoans(platform, store);
    const std::string repaired = storedMacro0();
    {
        MacroSlotLoan loan(platform, store);
        if (loan.Begin(u"C:\\run.js")) loan.End();
    }
    if (!otherAlive && storedMacro0() != repaired) std::abort();
    RegisteredMacrosOutsideLoans(platform, store);
    if (platform.OpenKeyCount() != 0 || platform.mutexHeld) std::abort();
    return 0;
}
