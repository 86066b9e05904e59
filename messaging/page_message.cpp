#include "messaging/page_message.h"

#include <nlohmann/json.hpp>

#include <memory>

#include "messaging/page_reply.h"
#include "messaging/page_worker.h"
#include "messaging/request_table.h"
#include "platform/utf8.h"

namespace quorvane {

namespace {

const RequestType* findRequestType(std::string_view type) {
    for (std::span<const RequestType> area :
         {saveRequests(), appRequests(), windowRequests(), steamRequests()}) {
        for (const RequestType& known : area) {
            if (known.type == type)
                return &known;
        }
    }
    return nullptr;
}

Outcome run(const RequestType& known, nlohmann::json& request) {
    try {
        return known.handle(request);
    } catch (const RequestFailure& failure) {
        return Outcome::failure(failure.error, failure.message);
    }
}

// Sends the answer: at once on the UI thread; from the worker, made there (a read's answer may be
// 16 MiB of JSON) and posted by the UI thread.
void finish(Reply& reply, const Outcome& outcome, bool onWorker) {
    if (!onWorker) {
        reply.send(outcome);
    } else if (std::optional<std::wstring> text = reply.text(outcome)) {
        postToUiThread(
            [text = std::make_shared<std::wstring>(std::move(*text))] { sendReplyText(*text); });
    }
}

// Parses one message and answers it. |onWorker|: called on the page worker, which hands requests
// for the window on to the UI thread. |overloaded|: the worker refused it, so file work is
// refused too ("quota") rather than done on the UI thread.
void process(const std::wstring& message, bool onWorker, bool overloaded) {
    // The reply is made before anything can fail, so that a request with an id is answered even
    // when its handler throws.
    Reply reply;
    try {
        nlohmann::json request;
        {
            const std::string text = wideToUtf8(message);
            // Strict parse of a NUL-terminated text: parsing stops at the first U+0000.
            request = nlohmann::json::parse(text.c_str(), nullptr, true, false);
        }
        if (!request.is_object())
            return;
        const auto type = request.find("type");
        if (type == request.end() || !type->is_string())
            return;
        const std::string typeName = type->get<std::string>();
        if (const auto id = request.find("id"); id != request.end()) {
            reply = Reply(*id);
            if (!id->is_number() && !id->is_string()) {
                finish(reply,
                       Outcome::failure(RequestError::BadRequest,
                                        "\"id\" must be a number or a string"),
                       onWorker);
                return;
            }
        }
        const RequestType* known = findRequestType(typeName);
        if (known == nullptr) {
            finish(
                reply,
                Outcome::failure(RequestError::UnknownType, "no request type \"" + typeName + "\""),
                onWorker);
            return;
        }
        if (onWorker && known->runsOn == RunsOn::UiThread) {
            auto held = std::make_shared<std::pair<nlohmann::json, Reply>>(std::move(request),
                                                                           std::move(reply));
            postToUiThread([known, held] { held->second.send(run(*known, held->first)); });
            return;
        }
        if (overloaded && known->runsOn == RunsOn::Worker) {
            finish(reply,
                   Outcome::failure(RequestError::Quota,
                                    "too much file work is waiting; try again when the earlier "
                                    "requests have been answered"),
                   onWorker);
            return;
        }
        finish(reply, run(*known, request), onWorker);
    } catch (const std::bad_alloc&) {
        finish(reply, Outcome::failure(RequestError::Io, "out of memory"), onWorker);
    } catch (...) {
        // Not JSON: the message is dropped without an answer.
    }
}

}  // namespace

void handlePageMessage(std::wstring_view message) noexcept {
    try {
        auto text = std::make_shared<const std::wstring>(message);
        if (pageWorkerRunning()) {
            if (queuePageWork([text] { process(*text, true, false); },
                              text->size() * sizeof(wchar_t)))
                return;
            process(*text, false, true);
            return;
        }
        // Without a worker (in tests, or once the run is ending) everything is answered here.
        process(*text, false, false);
    } catch (...) {
        // Out of memory for the copy: the message is dropped.
    }
}

}  // namespace quorvane
