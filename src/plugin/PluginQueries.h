#pragma once

#include <cstdint>

#include "platform/Platform.h"
#include "platform/SettingsStore.h"
#include "plugin/PluginTexts.h"

// How the plug-in presents itself to the editor: its texts, images, state and
// events, answered without touching the command's own state.
namespace quorvin {

constexpr std::uint32_t kQueryName = 2306;
constexpr std::uint32_t kQueryVersion = 2308;
constexpr std::uint32_t kQueryUninstallAllowed = 2310;
constexpr std::uint32_t kQueryConfirmUninstall = 2311;
constexpr std::uint32_t kQueryBitmap = 2312;
constexpr std::uint32_t kQueryMaskColour = 2313;

constexpr std::uint32_t kImageLarge = 0x1;
constexpr std::uint32_t kImage256Colours = 0x10;
constexpr std::uint32_t kImageTrueColour = 0x20;
constexpr std::uint32_t kImageSecond = 0x200;
constexpr std::uint32_t kMagenta = 0x00FF00FF;
constexpr std::uint32_t kDefaultBitmap = 101;

std::uint32_t ChooseBitmap(std::uint32_t flags);
std::uint32_t MaskColour(std::uint32_t flags);

// Lets no exception out: the editor gets the answer a failure gives. The
// uninstall question is asked in the editor's language.
LResult AnswerPlugInQuery(Platform& platform, SettingsStore& registry, PluginTexts& texts,
                          WindowHandle window, std::uint32_t code, WParam wParam, LParam lParam);
// A change of the editor's interface may be a change of its language.
void HandleEvents(Platform& platform, SettingsStore& registry, PluginTexts& texts,
                  WindowHandle window, std::uint32_t events, LParam value);

// The editor asks for the plug-in's state at start-up: the first call that
// passes a window repairs a loan of Macro0 that an editor which died left
// behind, before the user sees anything, and learns the editor's language.
// Only the window tells where this editor keeps its settings, so calls
// without one wait for it.
class EditorStartup {
  public:
    void AtCall(Platform& system, SettingsStore& registry, PluginTexts& texts, WindowHandle window);

  private:
    bool done_ = false;
};
// The command is always enabled and never checked.
bool QueryCommandStatus(int* checked);

}  // namespace quorvin
