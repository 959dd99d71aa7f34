#pragma once

#include <string>
#include <vector>

#include "FakePlatform.h"

namespace quorvin::testing {

// One line per item, nested items indented: "&1 a.js #1 checked default",
// "&2 Tools >" followed by its items, "---" for a separator.
inline void DumpMenu(const FakePlatform& platform, MenuHandle menu, std::vector<std::string>& out,
                     const std::string& indent = "") {
    for (const FakePlatform::Item& item : platform.MenuAt(menu).items) {
        if (item.type & kMftSeparator) {
            out.push_back(indent + "---");
            continue;
        }
        if (item.submenu != nullptr) {
            out.push_back(indent + item.label + " >");
            DumpMenu(platform, item.submenu, out, indent + "  ");
            continue;
        }
        std::string line = indent + item.label + " #" + std::to_string(item.id);
        if (item.state & kMfsChecked) line += " checked";
        if (item.state & kMfsDefault) line += " default";
        if ((item.state & kMfsGrayed) == kMfsGrayed) line += " grayed";
        out.push_back(line);
    }
}

inline std::vector<std::string> DumpMenu(const FakePlatform& platform, MenuHandle menu) {
    std::vector<std::string> out;
    DumpMenu(platform, menu, out);
    return out;
}

}  // namespace quorvin::testing
