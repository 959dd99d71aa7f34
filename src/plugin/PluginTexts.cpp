#include "plugin/PluginTexts.h"

#include "plugin/HostInterface.h"
#include "resources/ResourceIds.h"

namespace quorvin {

namespace {

PluginTexts processTexts;

}  // namespace

TextLanguage TextLanguageOf(LResult languageId) {
    // A LANGID is a WORD: its primary language is the low ten bits.
    const auto language = static_cast<std::uint16_t>(languageId);
    return language == 0 || (language & 0x3FF) == kPrimaryLanguageJapanese ? TextLanguage::kJapanese
                                                                           : TextLanguage::kEnglish;
}

void PluginTexts::FollowEditor(Platform& platform, WindowHandle window) {
    if (window == nullptr) return;
    char16_t folder[kLanguageFolderUnits] = {};
    language_ = TextLanguageOf(platform.SendWindowMessage(platform.RootOwnerOf(window),
                                                          kHostMsgInfo, kInfoGetLanguage,
                                                          reinterpret_cast<LParam>(folder)));
}

std::uint32_t PluginTexts::Id(std::uint32_t japaneseId) const {
    if (language_ == TextLanguage::kJapanese) return japaneseId;
    switch (japaneseId) {
        case IDS_MENU_TEXT:
            return IDS_MENU_TEXT_ENGLISH;
        case IDS_STATUS_MESSAGE:
            return IDS_STATUS_MESSAGE_ENGLISH;
        case IDS_UNINSTALL_QUESTION:
            return IDS_UNINSTALL_QUESTION_ENGLISH;
        case IDS_OPEN_FOLDER:
            return IDS_OPEN_FOLDER_ENGLISH;
        case IDS_OPEN_FOLDER_WITH_ACCELERATOR:
            return IDS_OPEN_FOLDER_WITH_ACCELERATOR_ENGLISH;
        default:
            return japaneseId;  // the same in both
    }
}

PluginTexts& ProcessTexts() { return processTexts; }

}  // namespace quorvin
