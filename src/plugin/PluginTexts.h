#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/Platform.h"

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
    // export is given, which language its interface is in. Without a window
    // it keeps what it had.
    void FollowEditor(Platform& platform, WindowHandle window);
    // The string id of a text in the language last chosen, by its Japanese id.
    std::uint32_t Id(std::uint32_t japaneseId) const;

  private:
    bool english_ = false;
};

// The one the exports share: the editor's calls without a window, which ask
// for the texts of its menus and toolbar, get the language last chosen.
PluginTexts& ProcessTexts();

}  // namespace quorvin
