#include "tests/standin/event_handlers.h"

#include "tests/standin/transcript.h"

namespace quorvane::standin {

HRESULT EventHandlers::add(const wchar_t* event, void* handler,
                           EventRegistrationToken* token) noexcept {
    record(std::wstring(L"add ") + event + L" token=" + (token != nullptr ? L"set" : L"null"));
    if (handler == nullptr)
        return E_INVALIDARG;
    try {
        auto* unknown = static_cast<IUnknown*>(handler);
        INT64 value = nextToken_++;
        entries_.push_back(Entry{event, value, ComRef<IUnknown>::copyOf(unknown)});
        if (token != nullptr)
            token->value = value;
        return S_OK;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

HRESULT EventHandlers::remove(const wchar_t* event, EventRegistrationToken token) noexcept {
    record(std::wstring(L"remove ") + event);
    std::erase_if(entries_, [&](const Entry& entry) {
        return entry.event == event && entry.token == token.value;
    });
    return S_OK;
}

}  // namespace quorvane::standin
