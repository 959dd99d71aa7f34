#pragma once

#include <cstdint>

// What the editor and the plug-in's exports agree on: its events and the
// message that answers one. The command's messages and identifiers live with
// the command and the menu, the settings messages with the settings.
namespace quorvin {

constexpr std::uint32_t kHostMsgEventValue = 2050;

constexpr std::uint32_t kEventSendValue = 0x40;
constexpr std::uint32_t kEventStoreValue = 0x400;
// EVENT_UI_CHANGED: the editor's interface changed, its language among others.
constexpr std::uint32_t kEventUiChanged = 0x10000000;

}  // namespace quorvin
