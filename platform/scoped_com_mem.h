#pragma once

#include <objbase.h>

#include <cstring>
#include <string>
#include <utility>

namespace quorvane {

// Owns memory from the COM task allocator (strings that a runtime hands out through out-parameters)
// and frees it with CoTaskMemFree.
template <typename T>
class ScopedCoMem {
  public:
    ScopedCoMem() = default;
    explicit ScopedCoMem(T* memory) : memory_(memory) {}
    ~ScopedCoMem() { reset(); }

    ScopedCoMem(ScopedCoMem&& other) noexcept : memory_(other.release()) {}
    ScopedCoMem& operator=(ScopedCoMem&& other) noexcept {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    ScopedCoMem(const ScopedCoMem&) = delete;
    ScopedCoMem& operator=(const ScopedCoMem&) = delete;

    T* get() const { return memory_; }
    explicit operator bool() const { return memory_ != nullptr; }

    // For an out-parameter: frees what is held, then lets the callee fill the slot.
    T** put() {
        reset();
        return &memory_;
    }

    T* release() { return std::exchange(memory_, nullptr); }
    void reset(T* memory = nullptr) {
        T* old = std::exchange(memory_, memory);
        if (old != nullptr)
            CoTaskMemFree(old);
    }

  private:
    T* memory_ = nullptr;
};

// Copies |text| into memory from the COM task allocator and hands it out through |out|, as the
// runtime's getters do (the receiver frees it with CoTaskMemFree).
inline HRESULT copyToTaskMemory(const std::wstring& text, LPWSTR* out) noexcept {
    if (out == nullptr)
        return E_POINTER;
    const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    *out = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
    if (*out == nullptr)
        return E_OUTOFMEMORY;
    std::memcpy(*out, text.c_str(), bytes);
    return S_OK;
}

}  // namespace quorvane
