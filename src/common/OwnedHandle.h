#pragma once

#include <utility>

#include "platform/Platform.h"

namespace quorvin {

// Owns one handle and gives it back through its owner (the platform, or the
// settings store) when it goes.
template <typename Owner, typename Handle, void (*Release)(Owner&, Handle)>
class OwnedHandle {
  public:
    OwnedHandle(Owner& owner, Handle handle) : owner_(&owner), handle_(handle) {}
    OwnedHandle(OwnedHandle&& other) noexcept
        : owner_(other.owner_), handle_(std::exchange(other.handle_, Handle())) {}
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;
    OwnedHandle& operator=(OwnedHandle&&) = delete;
    ~OwnedHandle() { Reset(); }

    // Gives the handle back now, and takes the next one, if any.
    void Reset(Handle next = Handle()) {
        if (handle_) {
            Release(*owner_, std::exchange(handle_, Handle()));
        }
        handle_ = next;
    }

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != Handle(); }

  private:
    Owner* owner_;
    Handle handle_;
};

}  // namespace quorvin
