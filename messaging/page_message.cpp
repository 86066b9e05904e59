#include "messaging/page_message.h"

#include <nlohmann/json.hpp>

#include <array>

#include "messaging/page_reply.h"
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

void answer(nlohmann::json& request, const std::string& type, Reply& reply) {
    const RequestType* known = findRequestType(type);
    if (known == nullptr) {
        reply.send(Outcome::failure(RequestError::UnknownType, "no request type \"" + type + "\""));
        return;
    }
    known->handle(request, reply);
}

}  // namespace

void handlePageMessage(std::wstring_view message) noexcept {
    // The reply is made before anything can fail, so that a request with an id is answered even
    // when its handler throws.
    Reply reply;
    try {
        const std::string text = wideToUtf8(message);
        // Strict parse of a NUL-terminated text: parsing stops at the first U+0000.
        nlohmann::json request = nlohmann::json::parse(text.c_str(), nullptr, true, false);
        if (!request.is_object())
            return;
        const auto type = request.find("type");
        if (type == request.end() || !type->is_string())
            return;
        const std::string typeName = type->get<std::string>();
        const auto id = request.find("id");
        if (id != request.end()) {
            reply = Reply(*id);
            if (!id->is_number() && !id->is_string()) {
                reply.send(Outcome::failure(RequestError::BadRequest,
                                            "\"id\" must be a number or a string"));
                return;
            }
        }
        try {
            answer(request, typeName, reply);
        } catch (const RequestFailure& failure) {
            reply.send(Outcome::failure(failure.error, failure.message));
        }
    } catch (const std::bad_alloc&) {
        reply.send(Outcome::failure(RequestError::Io, "out of memory"));
    } catch (...) {
        // Not JSON: the message is dropped without an answer.
    }
}

}  // namespace quorvane
