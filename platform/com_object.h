#pragma once

#include <windows.h>
#include <unknwn.h>

namespace quorvane {

// IUnknown for a COM object of the shell's own that implements exactly one interface: the count
// starts at one (the creator's reference) and changes with interlocked operations, since the
// runtime may take and drop references from its own threads; the object deletes itself at zero.
// QueryInterface answers IUnknown and |iid| only and clears the out-pointer otherwise: the
// runtime asks for newer interfaces than the shell implements and must be refused.
// Derived is the final class (CRTP), so no virtual destructor slot is added to the vtable.
template <typename Derived, typename Interface>
class ComObject : public Interface {
  public:
    explicit ComObject(REFIID iid) : iid_(iid) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) noexcept override {
        if (object == nullptr)
            return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, iid_)) {
            *object = static_cast<Interface*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() noexcept override {
        return static_cast<ULONG>(InterlockedIncrement(&references_));
    }
    ULONG STDMETHODCALLTYPE Release() noexcept override {
        LONG left = InterlockedDecrement(&references_);
        if (left == 0)
            delete static_cast<Derived*>(this);
        return static_cast<ULONG>(left);
    }

  protected:
    ~ComObject() = default;

  private:
    LONG references_ = 1;
    const IID iid_;
};

}  // namespace quorvane
