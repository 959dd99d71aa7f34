#include "menu/FolderChain.h"

#include <utility>

namespace quorvin {

bool FolderChain::IdentityOf(Folder& folder) {
    if (!folder.asked) {
        folder.asked = true;
        folder.known = platform_.FolderIdentityOf(folder.path.c_str(), &folder.identity);
    }
    return folder.known;
}

bool FolderChain::IsInside(Folder& candidate) {
    if (!candidate.belowLink || !IdentityOf(candidate)) {
        return false;
    }
    for (Folder& folder : folders_) {
        if (IdentityOf(folder) && folder.identity == candidate.identity) {
            return true;
        }
    }
    return false;
}

bool FolderChain::Enter(const WideString& path, bool isLink) {
    Folder folder;
    folder.path = path;
    folder.belowLink = isLink || (!folders_.empty() && folders_.back().belowLink);
    if (IsInside(folder)) {
        return false;
    }
    if (folder.belowLink && folder.known &&
        !walkedBelowLink_.emplace(folder.identity.volume, folder.identity.index).second) {
        return false;
    }
    // Kept with what was asked of it, for the folders below to compare with.
    folders_.push_back(std::move(folder));
    return true;
}

}  // namespace quorvin
