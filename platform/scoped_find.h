#pragma once

#include <windows.h>

#include <utility>

namespace quorvane {

// Owns a search handle from FindFirstFileExW and closes it with FindClose (not CloseHandle: it is
// no kernel handle). INVALID_HANDLE_VALUE, the failed search, counts as none.
class ScopedFind {
  public:
    ScopedFind() = default;
    explicit ScopedFind(HANDLE search) : search_(search) {}
    ~ScopedFind() { reset(); }

    ScopedFind(ScopedFind&& other) noexcept
        : search_(std::exchange(other.search_, INVALID_HANDLE_VALUE)) {}
    ScopedFind& operator=(ScopedFind&& other) noexcept {
        if (this != &other)
            reset(std::exchange(other.search_, INVALID_HANDLE_VALUE));
        return *this;
    }
    ScopedFind(const ScopedFind&) = delete;
    ScopedFind& operator=(const ScopedFind&) = delete;

    HANDLE get() const { return search_; }
    explicit operator bool() const { return search_ != INVALID_HANDLE_VALUE; }

    void reset(HANDLE search = INVALID_HANDLE_VALUE) {
        HANDLE old = std::exchange(search_, search);
        if (old != INVALID_HANDLE_VALUE)
            FindClose(old);
    }

  private:
    HANDLE search_ = INVALID_HANDLE_VALUE;
};

}  // namespace quorvane
