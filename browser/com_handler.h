#pragma once

#include <windows.h>
#include <unknwn.h>

#include <new>
#include <utility>

#include "platform/com_ref.h"
#include "platform/com_object.h"

namespace quorvane {

namespace detail {

template <typename Method>
struct InvokeSignature;

template <typename Interface, typename... Args>
struct InvokeSignature<HRESULT (STDMETHODCALLTYPE Interface::*)(Args...)> {
    template <typename Callable>
    class Handler final : public ComObject<Handler<Callable>, Interface> {
      public:
        Handler(REFIID iid, Callable&& callable)
            : ComObject<Handler<Callable>, Interface>(iid), callable_(std::move(callable)) {}

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
        friend class ComObject<Handler<Callable>, Interface>;
        ~Handler() = default;

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
    using Handler =
        typename detail::InvokeSignature<decltype(&Interface::Invoke)>::template Handler<Callable>;
    return ComRef<Interface>(new (std::nothrow) Handler(iid, std::move(callable)));
}

}  // namespace quorvane
