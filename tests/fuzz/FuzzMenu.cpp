// Folder trees and registered lists as a disk and the editor may hold them:
// links anywhere, empty folders, thousands of entries, odd names.
#include <cstdlib>
#include <vector>

#include "FakePlatform.h"
#include "FuzzInput.h"
#include "command/MacroCommand.h"
#include "settings/HostSettings.h"

using namespace quorvin;

namespace {

const char* const kRoot = "C:\\M";
// Names the code page holds and names it does not (café, ¥, an emoji).
const char16_t* const kNames[] = {
    u"a.js",           u"B.JSEE",     u"x&y.py",   u".js",          u"tool.",       u"noext",
    u"\u30BD",         u"\u30BD.vbs", u"d.rb",     u"sub",          u".",           u"..",
    u"e.txt",          u"&",          u"f.js.bak", u"caf\u00E9.js", u"\u00A5.jsee", u"\U0001F600",
    u"\u0395\u03AC.pl"};

std::u16string Number(int n) {
    std::u16string digits;
    for (char c : std::to_string(n)) digits += static_cast<char16_t>(c);
    return digits;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    testing::FuzzInput input(data, size);
    testing::FakePlatform platform;
    platform.strings[500] = "Open";
    platform.strings[502] = "Open(&O)";
    platform.SetString(kCommonKey, "MacroFolder", input.Bool() ? "C:\\M\\" : kRoot);
    platform.SetDword(kCommonKey, "ExtraShortCut", static_cast<std::int32_t>(input.Byte()) - 3);
    platform.AddFolder(kRoot);
    platform.shortNames = input.Bool();

    std::vector<std::u16string> folders = {u"C:\\M"};
    std::vector<std::u16string> paths;
    int file = 0;
    while (!input.empty() && folders.size() < 200) {
        const std::u16string& parent = folders[input.Byte() % folders.size()];
        const std::u16string name = kNames[input.Byte() % (sizeof kNames / sizeof kNames[0])];
        const std::u16string path = parent + u"\\" + Number(file++) + name;
        switch (input.Byte() % 5) {
            case 0:
                platform.AddFolder(path);
                folders.push_back(path);
                break;
            case 1:
                platform.AddLink(path, folders[input.Byte() % folders.size()]);
                break;
            case 2: {
                const int many = input.Short() % 3000;
                for (int i = 0; i < many; ++i) {
                    platform.AddFile(path + Number(i) + u".js");
                }
                break;
            }
            default:
                platform.AddFile(path);
                paths.push_back(path);
        }
    }
    platform.AddKey(kMacrosKey);
    for (std::size_t i = 0; i < paths.size() && input.Bool(); ++i) {
        platform.SetString(kMacrosKey, "Macro" + std::to_string(i), testing::Encode(paths[i]));
    }
    if (!paths.empty()) {
        platform.SetString(kCommonKey, "MacroFile",
                           testing::Encode(paths[input.Byte() % paths.size()]));
    }

    const std::uint32_t choice = input.Word();
    platform.onTrack = [&](testing::FakePlatform&, MenuHandle) { return choice; };
    const auto stored = platform.FindValue(kMacrosKey, "Macro0");
    const std::string before = stored ? stored->bytes : "(absent)";
    PluginTexts texts;
    RunMacroMenuCommand(platform, platform, texts, nullptr);

    const auto after = platform.FindValue(kMacrosKey, "Macro0");
    if ((after ? after->bytes : "(absent)") != before) std::abort();
    if (platform.LiveMenuCount() != 0 || platform.OpenFindCount() != 0 ||
        platform.OpenKeyCount() != 0) {
        std::abort();
    }
    // Only identifiers the menu held were acted on.
    for (const auto& message : platform.messages) {
        const bool registered = message.posted && message.wParam == choice && choice >= 9216;
        const bool lent =
            !message.posted && message.wParam == 9216 && choice >= 1 && choice <= 9213;
        if (message.message != 2070 || !(registered || lent)) std::abort();
    }
    return 0;
}
