#pragma once

#include <unknwn.h>

#include <utility>

namespace quorvane {

// Holds one counted reference to a COM object and releases it with Release. Assigning a raw
// pointer with copyFrom takes a reference on the new object before the old one is released.
template <typename T>
class ComRef {
  public:
    ComRef() = default;
    // Adopts a reference the caller already owns (no AddRef).
    explicit ComRef(T* owned) : ptr_(owned) {}
    ~ComRef() { reset(); }

    ComRef(ComRef&& other) noexcept : ptr_(other.detach()) {}
    ComRef& operator=(ComRef&& other) noexcept {
        if (this != &other)
            reset(other.detach());
        return *this;
    }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;

    // Takes a reference of its own on |object| (which may be null).
    static ComRef copyOf(T* object) {
        if (object != nullptr)
            object->AddRef();
        return ComRef(object);
    }
    void copyFrom(T* object) {
        if (object != nullptr)
            object->AddRef();
        reset(object);
    }

    T* get() const { return ptr_; }
    T* operator->() const { return ptr_; }
    explicit operator bool() const { return ptr_ != nullptr; }

    // For an out-parameter: releases what is held, then lets the callee fill the slot.
    T** put() {
        reset();
        return &ptr_;
    }

    T* detach() { return std::exchange(ptr_, nullptr); }
    void reset(T* owned = nullptr) {
        T* old = std::exchange(ptr_, owned);
        if (old != nullptr)
            old->Release();
    }

    template <typename U>
    ComRef<U> query(REFIID iid) const {
        ComRef<U> result;
        if (ptr_ != nullptr)
            ptr_->QueryInterface(iid, reinterpret_cast<void**>(result.put()));
        return result;
    }

  private:
    T* ptr_ = nullptr;
};

}  // namespace quorvane
