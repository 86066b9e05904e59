#pragma once

#include <windows.h>
#include <unknwn.h>

#include <new>
#include <utility>

#include "app/com_ref.h"

namespace quorvane {

namespace detail {

template <typename Method>
struct InvokeSignature;

template <typename Interface, typename... Args>
struct InvokeSignature<HRESULT (STDMETHODCALLTYPE Interface::*)(Args...)> {
    template <typename Callable>
    class Handler final : public Interface {
    public:
        Handler(REFIID iid, Callable&& callable) : iid_(iid), callable_(std::move(callable)) {}

        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) noexcept override {
            if (object == nullptr) return E_POINTER;
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
            if (left == 0) delete this;
            return static_cast<ULONG>(left);
        }

        // The runtime calls this; nothing thrown inside may unwind into it, and the runtime is
        // always told S_OK.
        HRESULT STDMETHODCALLTYPE Invoke(Args... args) noexcept override {
            try {
                callable_(args...);
            } catch (...) {
            }
            return S_OK;
        }

    private:
        ~Handler() = default;

        LONG references_ = 1;
        const IID iid_;
        Callable callable_;
    };
};

}  // namespace detail

// Makes a reference-counted COM object that implements exactly |Interface| (one whose only method
// beyond IUnknown is Invoke) by forwarding Invoke to |callable|. QueryInterface answers IUnknown
// and |iid| only, and clears the out-pointer otherwise. The object starts with one reference,
// owned by the returned ComRef; a registering call takes its own. Null when out of memory.
template <typename Interface, typename Callable>
ComRef<Interface> makeHandler(REFIID iid, Callable callable) {
    using Handler = typename detail::InvokeSignature<decltype(&Interface::Invoke)>::template Handler<
        Callable>;
    return ComRef<Interface>(new (std::nothrow) Handler(iid, std::move(callable)));
}

}  // namespace quorvane
