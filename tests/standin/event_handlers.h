#pragma once

#include <windows.h>
#include <unknwn.h>
#include <eventtoken.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/com_ref.h"

namespace quorvane::standin {

// The handlers registered for one object's events, AddRef'ed and kept until removed or until the
// object goes. Every handler interface pointer is an IUnknown pointer by the COM binary rules, so
// handlers are kept as IUnknown and handed back as their own interface when raised (some of the
// controller's handler interfaces are only ever known by name).
class EventHandlers {
  public:
    // Records "add <event> token=<set|null>". A null token pointer is accepted.
    HRESULT add(const wchar_t* event, void* handler, EventRegistrationToken* token) noexcept;
    // Records "remove <event>"; an unknown token is ignored.
    HRESULT remove(const wchar_t* event, EventRegistrationToken token) noexcept;

    // The handlers of |event| now registered, each with a reference of its own, so a handler that
    // removes itself or others while being invoked does not disturb the raise.
    template <typename Handler>
    std::vector<ComRef<Handler>> of(const wchar_t* event) const {
        std::vector<ComRef<Handler>> found;
        for (const Entry& entry : entries_) {
            if (entry.event == event) {
                found.push_back(
                    ComRef<Handler>::copyOf(reinterpret_cast<Handler*>(entry.handler.get())));
            }
        }
        return found;
    }

  private:
    struct Entry {
        std::wstring event;
        INT64 token;
        ComRef<IUnknown> handler;
    };
    std::vector<Entry> entries_;
    INT64 nextToken_ = 1;
};

}  // namespace quorvane::standin
