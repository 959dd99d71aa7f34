// The editor's settings as the registry can hold them: any type, any size,
// any bytes, and values that change between the size query and the read.
#include <cstdlib>
#include <optional>

#include "FakePlatform.h"
#include "FuzzInput.h"
#include "command/MacroCommand.h"
#include "settings/HostSettings.h"

using namespace quorvin;

namespace {

void MaybeStore(testing::FuzzInput& input, testing::FakePlatform& platform, const char* key,
                const std::string& name) {
    if (!input.Bool()) return;
    const std::uint32_t type = input.Byte() % 12;
    std::size_t length = input.Byte();
    if (length == 255) length = input.Short();  // now and then a long one
    // Written by the narrow call (a string converted) or the wide one (as given).
    if (input.Bool()) {
        platform.SetStoredBytes(key, name, type, input.Bytes(length));
    } else {
        platform.SetValueBytes(key, name, type, input.Bytes(length));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    testing::FuzzInput input(data, size);
    testing::FakePlatform platform;
    if (input.Bool()) platform.AddKey(kCommonKey);
    if (input.Bool()) platform.AddKey(kMacrosKey);
    MaybeStore(input, platform, kCommonKey, "MacroFolder");
    MaybeStore(input, platform, kCommonKey, "MacroFile");
    MaybeStore(input, platform, kCommonKey, "ExtraShortCut");
    const int macros = input.Byte() % 6;
    for (int i = 0; i < macros; ++i) {
        MaybeStore(input, platform, kMacrosKey, "Macro" + std::to_string(i));
    }

    // Between a size query and its read, the value may grow, shrink or vanish.
    int changes = input.Byte() % 8;
    platform.onQuery = [&](const std::string& name, bool sizeOnly) {
        if (sizeOnly || changes <= 0) return;
        --changes;
        const bool registeredMacro =
            name.size() > 5 && name.compare(0, 5, "Macro") == 0 && name[5] >= '0' && name[5] <= '9';
        const std::string key = registeredMacro ? kMacrosKey : kCommonKey;
        if (input.Bool()) {
            platform.SetValueBytes(key, name, input.Byte() % 12, input.Bytes(input.Byte()));
        } else if (platform.HasKey(key)) {
            const HostKey open = OpenHostKey(platform, key.c_str(), kKeyReadWriteCreate);
            DeleteKeyValue(platform, open, name.c_str());
        }
    };
    ReadHostString(platform, platform, kCommonKey, "MacroFolder");
    ReadAcceleratorStyle(platform);
    ReadRegisteredMacros(platform, platform);
    platform.onQuery = nullptr;

    // Lending Macro0 always puts it back exactly.
    const testing::FakePlatform::Value* stored = platform.FindStoredValue(kMacrosKey, "Macro0");
    const std::optional<testing::FakePlatform::Value> before =
        stored ? std::optional<testing::FakePlatform::Value>(*stored) : std::nullopt;
    LaunchThroughFirstSlot(platform, platform, u"C:\\Macros\\run.js", nullptr);
    const testing::FakePlatform::Value* after = platform.FindStoredValue(kMacrosKey, "Macro0");
    if (before.has_value() != (after != nullptr)) std::abort();
    if (after && (after->type != before->type || after->bytes != before->bytes)) std::abort();
    if (platform.OpenKeyCount() != 0) std::abort();
    return 0;
}
