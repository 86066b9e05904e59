#pragma once

#include <windows.h>

#include <utility>

namespace quorvane {

// Owns a view of a file mapping and unmaps it with UnmapViewOfFile.
class ScopedMappedView {
  public:
    ScopedMappedView() = default;
    explicit ScopedMappedView(const void* view) : view_(view) {}
    ~ScopedMappedView() { reset(); }

    ScopedMappedView(ScopedMappedView&& other) noexcept : view_(other.release()) {}
    ScopedMappedView& operator=(ScopedMappedView&& other) noexcept {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    ScopedMappedView(const ScopedMappedView&) = delete;
    ScopedMappedView& operator=(const ScopedMappedView&) = delete;

    const void* get() const { return view_; }
    explicit operator bool() const { return view_ != nullptr; }

    const void* release() { return std::exchange(view_, nullptr); }
    void reset(const void* view = nullptr) {
        const void* old = std::exchange(view_, view);
        if (old != nullptr)
            UnmapViewOfFile(old);
    }

  private:
    const void* view_ = nullptr;
};

}  // namespace quorvane
