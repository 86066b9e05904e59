#include "tools/engine-runtime/page_exception.h"

namespace quorvane::engine {

namespace {

// "url:line:column" from a protocol location (0-based line and column); empty without a URL.
std::string place(const Json& where) {
    const std::string url = where.value("url", "");
    if (url.empty())
        return {};
    return url + ":" + std::to_string(where.value("lineNumber", 0) + 1) + ":" +
           std::to_string(where.value("columnNumber", 0) + 1);
}

}  // namespace

std::string uncaughtExceptionText(const Json& details) {
    const Json exception = details.value("exception", Json::object());
    std::string text;
    if (exception.contains("description")) {
        // An Error's description is its stack: the message, then a line per frame.
        text = exception.value("description", "");
        const size_t stack = text.find("\n    at ");
        if (stack != std::string::npos)
            text.erase(stack);
    } else if (exception.contains("value")) {
        // A thrown string or number.
        const Json& value = exception["value"];
        text = value.is_string() ? value.get<std::string>() : value.dump();
    } else {
        text = details.value("text", "");
    }
    std::string where;
    const Json frames =
        details.value("stackTrace", Json::object()).value("callFrames", Json::array());
    if (frames.is_array() && !frames.empty() && frames[0].is_object())
        where = place(frames[0]);
    if (where.empty())
        where = place(details);
    return where.empty() ? text : where + ": " + text;
}

}  // namespace quorvane::engine
