#pragma once

#include <utility>

#include "platform/Platform.h"

namespace quorvin {

// Owns one platform handle and gives it back through the platform when it goes.
template <typename Handle, void (*Release)(Platform&, Handle)>
class OwnedHandle {
  public:
    OwnedHandle(Platform& platform, Handle handle) : platform_(&platform), handle_(handle) {}
    OwnedHandle(OwnedHandle&& other) noexcept
        : platform_(other.platform_), handle_(std::exchange(other.handle_, Handle())) {}
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;
    OwnedHandle& operator=(OwnedHandle&&) = delete;
    ~OwnedHandle() { Reset(); }

    // Gives the handle back now, and takes the next one, if any.
    void Reset(Handle next = Handle()) {
        if (handle_) {
            Release(*platform_, std::exchange(handle_, Handle()));
        }
        handle_ = next;
    }

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != Handle(); }

  private:
    Platform* platform_;
    Handle handle_;
};

}  // namespace quorvin
