#pragma once

#include <vector>

#include "common/AnsiString.h"
#include "platform/Platform.h"

namespace quorvin {

// The folders the walk is inside, outermost first, to keep a folder link from
// leading the walk back into one of them. Identities are asked for only once
// a link is involved: with no link on the way, a plain sub-folder is a new
// folder by construction, and asking costs a file open per folder.
class FolderChain {
  public:
    explicit FolderChain(Platform& platform) : platform_(platform) {}

    void Enter(const AnsiString& path, bool isLink);
    void Leave();
    // Whether this sub-folder is, by identity, a folder the walk is inside.
    bool IsInside(const AnsiString& path, bool isLink);

  private:
    struct Folder {
        AnsiString path;
        bool isLink = false;
        bool asked = false;
        bool known = false;
        FolderIdentity identity;
    };
    bool IdentityOf(Folder& folder);

    Platform& platform_;
    std::vector<Folder> folders_;
    int links_ = 0;
};

}  // namespace quorvin
