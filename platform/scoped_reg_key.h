#pragma once

#include <windows.h>

#include <utility>

namespace quorvane {

// Owns an open registry key and closes it with RegCloseKey.
class ScopedRegKey {
  public:
    ScopedRegKey() = default;
    explicit ScopedRegKey(HKEY key) : key_(key) {}
    ~ScopedRegKey() { reset(); }

    ScopedRegKey(ScopedRegKey&& other) noexcept : key_(other.release()) {}
    ScopedRegKey& operator=(ScopedRegKey&& other) noexcept {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    ScopedRegKey(const ScopedRegKey&) = delete;
    ScopedRegKey& operator=(const ScopedRegKey&) = delete;

    HKEY get() const { return key_; }
    explicit operator bool() const { return key_ != nullptr; }

    // For an out-parameter: closes what is held, then lets the callee fill the slot.
    HKEY* put() {
        reset();
        return &key_;
    }

    HKEY release() { return std::exchange(key_, nullptr); }
    void reset(HKEY key = nullptr) {
        HKEY old = std::exchange(key_, key);
        if (old != nullptr)
            RegCloseKey(old);
    }

  private:
    HKEY key_ = nullptr;
};

}  // namespace quorvane
