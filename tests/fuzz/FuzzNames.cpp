// Names as the disk and the editor may hold them: any UTF-16, lone
// surrogates, any bytes, lone lead bytes, "&", dots.
#include <cstdlib>
#include <cstring>

#include "FakePlatform.h"
#include "FuzzInput.h"
#include "common/CodePage.h"
#include "menu/MacroNames.h"

using namespace quorvin;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    testing::FuzzInput input(data, size);
    testing::FakePlatform platform;
    const auto index = static_cast<std::int16_t>(input.Short());
    const auto style = static_cast<std::int32_t>(input.Word());
    const std::string folder = input.Text(40);
    const std::string name = input.Text(255);
    const std::u16string wideName = input.WideText(259);

    const AnsiString prefix = AcceleratorPrefix(index, style);
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        const auto byte = static_cast<unsigned char>(prefix.c_str()[i]);
        if (byte < 0x20 || byte > 0x7E) std::abort();
    }

    IsMacroFileName(platform, wideName.c_str());

    const WideString label = EscapeAccelerators(wideName.c_str());
    std::size_t ampersands = 0;
    for (char16_t c : wideName) ampersands += c == u'&';
    if (label.size() != wideName.size() + ampersands) std::abort();
    for (std::size_t i = 0, j = 0; i < wideName.size(); ++i, ++j) {
        if (label[j] != wideName[i]) std::abort();
        if (wideName[i] == u'&' && label[++j] != u'&') std::abort();
    }

    // An exact conversion reads back as the very name.
    const NarrowText narrow = ToCodePage(platform, wideName);
    if (narrow.exact && FromCodePage(platform, narrow.text) != wideName) std::abort();

    if (!folder.empty()) {
        const AnsiString path = JoinPath(platform, folder.c_str(), name.c_str());
        const std::size_t added = path.size() - folder.size() - name.size();
        if (added > 1 || std::strncmp(path.c_str(), folder.c_str(), folder.size()) != 0) {
            std::abort();
        }
    }
    return 0;
}
