#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/Platform.h"
#include "platform/SettingsStore.h"

// The plug-in's own texts follow the language of the editor's interface:
// Japanese, the string table's first texts, where the editor says Japanese or
// says nothing; English where it runs in any other language.
namespace quorvin {

constexpr WParam kInfoGetLanguage = 320;  // EI_GET_LANGUAGE, since the editor's 8.00
// The buffer the question fills with the editor's language folder, in UTF-16 units.
constexpr std::size_t kLanguageFolderUnits = 260;

class PluginTexts {
  public:
    // Asks the editor behind the window, the root owner of any window an
    // export is given, which language its interface is in, and remembers the
    // answer in the registry where the editor keeps its settings there.
    // Without a window it keeps what it had.
    // A command follows without remembering: the editor's start and its
    // change of language remember, and a command need not pay for it.
    void FollowEditor(Platform& platform, SettingsStore& registry, WindowHandle window,
                      bool remember = true);
    // Until the editor has answered in this process: the language it
    // answered last, as the registry remembers it, else the user's own.
    void GuessUnlessAnswered(Platform& platform, SettingsStore& registry);
    // What was remembered is gone (the plug-in is uninstalled): it is not
    // written again in this process.
    void StopRemembering() { remembering_ = false; }
    // The string id of a text in the language last chosen, by its Japanese id.
    std::uint32_t Id(std::uint32_t japaneseId) const;
    bool english() const { return english_; }

  private:
    void Remember(Platform& platform, SettingsStore& registry, WindowHandle editor,
                  std::uint16_t language);

    bool english_ = false;
    bool known_ = false;  // answered, or guessed
    bool answered_ = false;
    bool remembering_ = true;
    bool stored_ = false;  // storedLanguage_ is what the registry holds, or need not hold
    std::uint16_t storedLanguage_ = 0;
};

// The one the exports share: the editor's calls without a window, which ask
// for the texts of its menus and toolbar, get the language last chosen.
PluginTexts& ProcessTexts();

}  // namespace quorvin
