#include "menu/FolderChain.h"

namespace quorvin {

void FolderChain::Enter(const AnsiString& path, bool isLink) {
    Folder folder;
    folder.path = path;
    folder.isLink = isLink;
    folders_.push_back(folder);
    links_ += isLink ? 1 : 0;
}

void FolderChain::Leave() {
    links_ -= folders_.back().isLink ? 1 : 0;
    folders_.pop_back();
}

bool FolderChain::IdentityOf(Folder& folder) {
    if (!folder.asked) {
        folder.asked = true;
        folder.known = platform_.FolderIdentityOf(folder.path.c_str(), &folder.identity);
    }
    return folder.known;
}

bool FolderChain::IsInside(const AnsiString& path, bool isLink) {
    if (!isLink && links_ == 0) {
        return false;
    }
    Folder candidate;
    candidate.path = path;
    if (!IdentityOf(candidate)) {
        return false;
    }
    for (Folder& folder : folders_) {
        if (IdentityOf(folder) && folder.identity == candidate.identity) {
            return true;
        }
    }
    return false;
}

}  // namespace quorvin
