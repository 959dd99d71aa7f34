#include "plugin/PluginTexts.h"

#include "resources/ResourceIds.h"
#include "settings/EditorSettings.h"
#include "settings/LoanJournal.h"

namespace quorvin {

namespace {

constexpr std::uint32_t kPrimaryLanguageJapanese = 0x11;

PluginTexts processTexts;

// A LANGID is a WORD, its primary language the low ten bits; an editor that
// does not know the question answers 0, and is Japanese.
bool IsEnglishEditor(std::uint16_t language) {
    return language != 0 && (language & 0x3FF) != kPrimaryLanguageJapanese;
}

}  // namespace

void PluginTexts::FollowEditor(Platform& platform, SettingsStore& registry, WindowHandle window,
                               bool remember) {
    if (window == nullptr) return;
    char16_t folder[kLanguageFolderUnits] = {};
    const WindowHandle editor = platform.RootOwnerOf(window);
    const auto language = static_cast<std::uint16_t>(platform.SendWindowMessage(
        editor, kHostMsgInfo, kInfoGetLanguage, reinterpret_cast<LParam>(folder)));
    english_ = IsEnglishEditor(language);
    known_ = answered_ = true;
    if (remember) Remember(platform, registry, editor, language);
}

// Written once per process and language, and only by an editor that keeps
// its settings in the registry: a portable editor leaves the machine as it was.
void PluginTexts::Remember(Platform& platform, SettingsStore& registry, WindowHandle editor,
                           std::uint16_t language) {
    if (!remembering_ || (stored_ && storedLanguage_ == language)) return;
    stored_ = true;
    storedLanguage_ = language;
    if (EditorKeepsIniSettings(platform, editor)) return;
    std::uint16_t remembered = 0;
    if (ReadEditorLanguage(registry, &remembered) && remembered == language) return;
    RememberEditorLanguage(platform, registry, language);
}

void PluginTexts::GuessUnlessAnswered(Platform& platform, SettingsStore& registry) {
    if (known_) return;
    known_ = true;
    std::uint16_t language = 0;
    if (ReadEditorLanguage(registry, &language)) {
        english_ = IsEnglishEditor(language);
        return;
    }
    english_ = (platform.UserInterfaceLanguage() & 0x3FF) != kPrimaryLanguageJapanese;
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
        case IDS_NO_MACROS:
            return IDS_NO_MACRO_FOLDER_ENGLISH;
        case IDS_OPEN_FOLDER_WITH_ACCELERATOR:
            return IDS_OPEN_FOLDER_WITH_ACCELERATOR_ENGLISH;
        case IDS_RUN_AGAIN:
            return IDS_RUN_AGAIN_ENGLISH;
        default:
            return japaneseId;  // the same in both
    }
}

PluginTexts& ProcessTexts() { return processTexts; }

}  // namespace quorvin
