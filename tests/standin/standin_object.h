#pragma once

#include <windows.h>
#include <unknwn.h>

#include <new>
#include <string>
#include <utility>

#include "platform/com_ref.h"
#include "platform/com_object.h"

namespace quorvane::standin {

// A BOOL out-parameter of a COM method: E_POINTER for a null one.
inline HRESULT copyBool(bool value, BOOL* out) {
    if (out == nullptr)
        return E_POINTER;
    *out = value ? TRUE : FALSE;
    return S_OK;
}

// Asked of a stand-in object through QueryInterface, answers the object itself (AddRef'ed), so
// the stand-in can recognise its own objects when the shell hands them back.
// {5D1E4C2B-8A3F-4E7D-9B60-0C1A2B3C4D5E}
inline constexpr IID IID_StandinSelf = {
    0x5D1E4C2B, 0x8A3F, 0x4E7D, {0x9B, 0x60, 0x0C, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}};

// A stand-in object implementing |Interface|, on the project's one IUnknown (ComObject). Beyond
// IUnknown and the interface's IID it answers IID_StandinSelf, and whatever alsoAnswers admits.
template <typename Derived, typename Interface>
class StandinObject : public ComObject<Derived, Interface> {
  public:
    explicit StandinObject(REFIID iid) : ComObject<Derived, Interface>(iid) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) noexcept override {
        if (object != nullptr && (IsEqualIID(riid, IID_StandinSelf) || alsoAnswers(riid))) {
            *object = static_cast<Interface*>(this);
            this->AddRef();
            return S_OK;
        }
        return ComObject<Derived, Interface>::QueryInterface(riid, object);
    }

  protected:
    virtual bool alsoAnswers(REFIID) const { return false; }
};

// A copyable counted reference, for the captures of queued tasks (std::function copies them).
template <typename T>
class Held {
  public:
    explicit Held(T* object) : object_(object) {
        if (object_ != nullptr)
            object_->AddRef();
    }
    Held(const Held& other) : Held(other.object_) {}
    Held& operator=(const Held&) = delete;
    ~Held() {
        if (object_ != nullptr)
            object_->Release();
    }
    T* get() const { return object_; }
    T* operator->() const { return object_; }

  private:
    T* object_;
};

// A new object with its one reference owned by the result (null when out of memory).
template <typename T, typename... Args>
ComRef<T> makeObject(Args&&... args) {
    return ComRef<T>(new (std::nothrow) T(std::forward<Args>(args)...));
}

// The stand-in object of type T behind |object|, or null when |object| is not one of ours.
template <typename T, typename I>
ComRef<T> asStandin(I* object) {
    if (object == nullptr)
        return ComRef<T>();
    void* self = nullptr;
    if (FAILED(object->QueryInterface(IID_StandinSelf, &self)))
        return ComRef<T>();
    I* base = static_cast<I*>(self);
    T* typed = dynamic_cast<T*>(base);
    if (typed == nullptr) {
        base->Release();
        return ComRef<T>();
    }
    return ComRef<T>(typed);
}

// Returns a copy of |text| allocated with CoTaskMemAlloc, as the runtime returns every string.
HRESULT copyOut(const std::wstring& text, LPWSTR* out);

}  // namespace quorvane::standin

namespace quorvane::standin {

// Records "unsupported <what>" and returns E_NOTIMPL: a method the stand-in does not model, so a
// test notices when the shell starts calling it.
HRESULT unsupported(const wchar_t* what);

// The stand-in DLL's own module, which owns its window classes.
HINSTANCE standinModule();

}  // namespace quorvane::standin
