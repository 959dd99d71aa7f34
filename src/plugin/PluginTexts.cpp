#include "plugin/PluginTexts.h"

#include "plugin/HostInterface.h"
#include "resources/ResourceIds.h"

namespace quorvin {

namespace {

constexpr std::uint32_t kPrimaryLanguageJapanese = 0x11;

PluginTexts processTexts;

}  // namespace

void PluginTexts::FollowEditor(Platform& platform, WindowHandle window) {
    if (window == nullptr) return;
    char16_t folder[kLanguageFolderUnits] = {};
    // A LANGID is a WORD, its primary language the low ten bits; an editor
    // that does not know the question answers 0.
    const auto language = static_cast<std::uint16_t>(
        platform.SendWindowMessage(platform.RootOwnerOf(window), kHostMsgInfo, kInfoGetLanguage,
                                   reinterpret_cast<LParam>(folder)));
    english_ = language != 0 && (language & 0x3FF) != kPrimaryLanguageJapanese;
}

std::uint32_t PluginTexts::Id(std::uint32_t japaneseId) const {
    if (!english_) return japaneseId;
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
