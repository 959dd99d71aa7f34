#pragma once

#include <cstdint>

// What the editor and the plug-in agree on: messages, command identifiers, events.
namespace quorvin {

constexpr std::uint32_t kHostMsgEventValue = 2050;
constexpr std::uint32_t kHostMsgRunCommand = 2070;
constexpr std::uint32_t kHostMsgNoMacroFolder = 2085;
// EE_INFO: a question about the editor, named by wParam.
constexpr std::uint32_t kHostMsgInfo = 2106;

// One identifier space shared with the editor: 0 is no command, 1 to 9213 are
// the menu's own macro paths, 9214 is never used.
constexpr std::uint32_t kOpenFolderCommand = 9215;
constexpr std::uint32_t kRegisteredMacroBase = 9216;  // + i: the editor's registered macro i

constexpr std::uint32_t kEventSendValue = 0x40;
constexpr std::uint32_t kEventStoreValue = 0x400;
// EVENT_UI_CHANGED: the editor's interface changed, its language among others.
constexpr std::uint32_t kEventUiChanged = 0x10000000;

}  // namespace quorvin
