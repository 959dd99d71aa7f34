#pragma once

#include <cstdint>
#include <set>
#include <utility>
#include <vector>

#include "platform/Platform.h"

namespace quorvin {

// The folders the walk is inside, outermost first, to keep a folder link from
// leading the walk back into one of them, and the folders it has walked below
// a link, so that links sharing a target walk it once: a chain of folders with
// two links to the next would otherwise double the walk at every level.
// Identities are asked for only once a link is involved: with no link on the
// way, a plain sub-folder is a new folder by construction, and asking costs a
// file open per folder.
class FolderChain {
  public:
    explicit FolderChain(Platform& platform) : platform_(platform) {}

    // Enters the folder unless it is, by identity, one the walk is already
    // inside or one it walked below a link before; true when entered, and
    // then Leave must follow.
    bool Enter(const WideString& path, bool isLink);
    void Leave() { folders_.pop_back(); }

  private:
    struct Folder {
        WideString path;
        bool belowLink = false;  // it or a folder around it is a link
        bool asked = false;
        bool known = false;
        FolderIdentity identity;
    };
    bool IdentityOf(Folder& folder);
    bool IsInside(Folder& candidate);

    Platform& platform_;
    std::vector<Folder> folders_;
    std::set<std::pair<std::uint32_t, std::uint64_t>> walkedBelowLink_;
};

}  // namespace quorvin
