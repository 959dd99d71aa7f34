// Names as the disk may hold them: any bytes, lone lead bytes, "&", dots.
#include <cstdlib>
#include <cstring>

#include "FakePlatform.h"
#include "FuzzInput.h"
#include "menu/MacroNames.h"

using namespace quorvin;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    testing::FuzzInput input(data, size);
    testing::FakePlatform platform;
    const auto index = static_cast<std::int16_t>(input.Short());
    const auto style = static_cast<std::int32_t>(input.Word());
    const std::string folder = input.Text(40);
    const std::string name = input.Text(255);

    const AnsiString prefix = AcceleratorPrefix(index, style);
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        const auto byte = static_cast<unsigned char>(prefix.c_str()[i]);
        if (byte < 0x20 || byte > 0x7E) std::abort();
    }

    IsMacroFileName(platform, name.c_str());

    const AnsiString label = EscapeAccelerators(name.c_str());
    std::size_t ampersands = 0;
    for (char c : name) ampersands += c == '&';
    if (label.size() != name.size() + ampersands) std::abort();
    for (std::size_t i = 0, j = 0; i < name.size(); ++i, ++j) {
        if (label.c_str()[j] != name[i]) std::abort();
        if (name[i] == '&' && label.c_str()[++j] != '&') std::abort();
    }

    if (!folder.empty()) {
        const AnsiString path = JoinPath(platform, folder.c_str(), name.c_str());
        const std::size_t added = path.size() - folder.size() - name.size();
        if (added > 1 || std::strncmp(path.c_str(), folder.c_str(), folder.size()) != 0) {
            std::abort();
        }
    }
    return 0;
}
