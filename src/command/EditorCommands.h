#pragma once

#include <cstdint>

// The messages by which the command hands its choice to the editor.
namespace quorvin {

constexpr std::uint32_t kHostMsgRunCommand = 2070;
// EE_SET_STATUSA: status text in the code page.
constexpr std::uint32_t kHostMsgNoMacroFolder = 2085;
// EE_LOAD_FILEW: opens a file, its full UTF-16 path in lParam; nonzero when opened.
constexpr std::uint32_t kHostMsgLoadFile = 2096;
// EE_SET_STATUSW: status text in UTF-16.
constexpr std::uint32_t kHostMsgSetStatusText = 2104;

}  // namespace quorvin
