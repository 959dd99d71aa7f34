// The editor's answers to its settings messages as an editor that does not
// keep to its own reference might give them: sizes larger or smaller than
// the buffer, odd byte counts, strings without a terminator, values of
// another type. The plug-in reads nothing past its buffers, keeps
// to the editor's rules for every message it sends whatever it was told (the
// fake aborts on a refusal), and leaves nothing open.
#include <cstdlib>

#include "FakePlatform.h"
#include "FuzzInput.h"
#include "command/MacroCommand.h"
#include "settings/EditorSettings.h"
#include "settings/LoanJournal.h"

using namespace quorvin;

namespace {

WindowHandle const kWindow = reinterpret_cast<WindowHandle>(0xED);

struct Setting {
    const char16_t* section;
    const char16_t* name;
};
const Setting kSettings[] = {
    {u"Common", u"MacroFolder"}, {u"Common", u"MacroFile"}, {u"Common", u"ExtraShortCut"},
    {u"Macros", u"Macro0"},      {u"Macros", u"Macro1"},    {u"Quorvin", u"Lenders"},
    {u"Quorvin", u"Lent"},       {u"Quorvin", u"Saved"},    {u"Quorvin", u"SavedPresence"},
};
const std::uint32_t kTypes[] = {kRegSz, kRegBinary, kRegDword, kRegMultiSz, 0};
const std::uint32_t kChoices[] = {0, 1, 2, 9215, 9216, 9217};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    testing::FuzzInput input(data, size);
    testing::FakePlatform platform;
    platform.keepsIniSettings = true;
    platform.AddFile(u"C:\\M\\a.js");
    platform.AddFile(u"C:\\M\\b.js");
    platform.SetStoreString(u"Common", u"MacroFolder", u"C:\\M");
    for (const Setting& setting : kSettings) {
        if (input.Bool()) {
            const std::uint32_t type = kTypes[input.Byte() % 5];
            platform.editorStore[setting.section][setting.name] = {
                type, input.Bytes(input.Short() % 3000)};
        }
        // A size larger or smaller than the buffer, odd or whole, whatever it holds.
        if (input.Bool()) {
            platform.reportedSizes[testing::Encode(setting.name)] =
                input.Bool() ? input.Short() : input.Word();
        }
    }
    const std::uint32_t choice = kChoices[input.Byte() % 6];
    platform.onTrack = [&](testing::FakePlatform&, MenuHandle) { return choice; };

    PluginTexts texts;
    RunMacroMenuCommand(platform, platform, texts, kWindow);
    SettingsChoice settings(platform, platform, kWindow);
    RepairLoans(platform, settings.store());
    RegisteredMacrosOutsideLoans(platform, settings.store());
    if (platform.LiveMenuCount() != 0 || platform.OpenFindCount() != 0 ||
        platform.OpenKeyCount() != 0 || platform.mutexHeld) {
        std::abort();
    }
    return 0;
}
