#pragma once

#include <cstdint>

// One identifier space shared with the editor: 0 is no command, 1 to 9213 are
// the menu's own macro paths, 9214 runs the macro run last again, 9215 opens
// the macro folder, and 9216 + i is the editor's registered macro i.
namespace quorvin {

constexpr std::uint32_t kRunAgainCommand = 9214;
constexpr std::uint32_t kOpenFolderCommand = 9215;
constexpr std::uint32_t kRegisteredMacroBase = 9216;

}  // namespace quorvin
