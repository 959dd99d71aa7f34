// Names as the disk and the editor may hold them: any UTF-16, lone
// surrogates, any bytes, lone lead bytes, "&", dots.
#include <cstdlib>

#include "FakePlatform.h"
#include "FuzzInput.h"
#include "common/CodePage.h"
#include "menu/EditorPath.h"
#include "menu/MacroNames.h"

using namespace quorvin;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    testing::FuzzInput input(data, size);
    testing::FakePlatform platform;
    const auto index = static_cast<std::int16_t>(input.Short());
    const auto style = static_cast<std::int32_t>(input.Word());
    const std::u16string folder = input.WideText(40);
    const std::u16string wideName = input.WideText(259);

    for (char16_t unit : AcceleratorPrefix(index, style)) {
        if (unit < 0x20 || unit > 0x7E) std::abort();
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

    // The walk's root: the folder and one separator at its end, no second one.
    const WalkFolder root = RootFolder(platform, folder);
    if (root.wide.compare(0, folder.size(), folder) != 0 || root.wide.back() != u'\\' ||
        root.wide.size() > folder.size() + 1) {
        std::abort();
    }
    if (root.exact && FromCodePage(platform, root.narrow) != root.wide) std::abort();
    return 0;
}
