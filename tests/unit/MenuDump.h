#pragma once

#include <string>
#include <vector>

#include "FakePlatform.h"

namespace quorvin::testing {

// One line per item, nested items indented: "&1 a.js #1 checked default",
// "&2 Tools >" followed by its items, "---" for a separator. States and types
// are Windows' own values, not the product's constants, so that a wrong
// constant shows.
inline void DumpMenu(const FakePlatform& platform, MenuHandle menu, std::vector<std::string>& out,
                     const std::string& indent = "") {
    for (const FakePlatform::Item& item : platform.MenuAt(menu).items) {
        if (item.type & 0x800) {  // MFT_SEPARATOR
            out.push_back(indent + "---");
            continue;
        }
        if (item.submenu != nullptr) {
            out.push_back(indent + item.label + " >");
            DumpMenu(platform, item.submenu, out, indent + "  ");
            continue;
        }
        std::string line = indent + item.label + " #" + std::to_string(item.id);
        if (item.state & 0x8) line += " checked";          // MFS_CHECKED
        if (item.state & 0x1000) line += " default";       // MFS_DEFAULT
        if ((item.state & 0x3) == 0x3) line += " grayed";  // MFS_GRAYED
        out.push_back(line);
    }
}

inline std::vector<std::string> DumpMenu(const FakePlatform& platform, MenuHandle menu) {
    std::vector<std::string> out;
    DumpMenu(platform, menu, out);
    return out;
}

}  // namespace quorvin::testing
