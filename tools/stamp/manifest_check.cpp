#include "tools/stamp/manifest_check.h"

#include <nlohmann/json.hpp>

#include <initializer_list>
#include <optional>
#include <string_view>
#include <type_traits>

#include "platform/utf8.h"

namespace quorvane::stamp {

namespace {

using Json = nlohmann::ordered_json;  // the manifest's own order, for the lines

enum class Kind {
    Checked,  // refused by the packager when wrong: no warning
    String,
    Boolean,
    Number,
    Choice,           // a string, one of |choices|
    PositiveInteger,  // a JSON integer above 0
    Section,          // an object of the members below it
};

// What the shell uses instead of a member that it cannot take, said after ": ": a text, or made
// from the config the shell read.
using Used = std::string (*)(const AppConfig&);
struct Said {
    Said(const char* text) : text(text) {}
    template <typename Made, typename = std::enable_if_t<std::is_convertible_v<Made, Used>>>
    Said(Made made) : made(made) {}
    std::string operator()(const AppConfig& config) const { return made ? made(config) : text; }
    const char* text = nullptr;
    Used made = nullptr;
};

struct Member {
    std::string_view path;
    Kind kind;
    Said used = "";
    std::initializer_list<const char*> choices = {};
};

std::string quoted(const std::wstring& text) {
    return Json(wideToUtf8(text)).dump() + " is used";
}

std::string flag(bool value) {
    return value ? "true is used" : "false is used";
}

// Every member the shell knows, sections before their members. (The shell's own defaults come
// from the config it read, which holds the default wherever the member was unusable.)
const Member kMembers[] = {
    {"name", Kind::Checked},
    {"version", Kind::Checked},
    {"description", Kind::Checked},
    {"company", Kind::Checked},
    {"copyright", Kind::Checked},
    {"executable-icon", Kind::Checked},
    {"main", Kind::String, [](const AppConfig& c) { return quoted(c.mainPage); }},
    {"chromium-args", Kind::String, [](const AppConfig& c) { return quoted(c.chromiumArgs); }},
    {"saves-folder",
     Kind::Choice,
     "\"saved-games\" is used",
     {"saved-games", "documents", "roaming", "local"}},
    {"single-instance", Kind::Boolean, "false is used"},
    {"gpu", Kind::Choice, "\"default\" is used", {"high-performance", "low-power", "default"}},
    {"window", Kind::Section, "each of its members takes its default"},
    {"window.title", Kind::String, [](const AppConfig& c) { return quoted(c.windowTitle); }},
    {"window.width", Kind::Number,
     [](const AppConfig& c) { return std::to_string(c.windowWidth) + " is used"; }},
    {"window.height", Kind::Number,
     [](const AppConfig& c) { return std::to_string(c.windowHeight) + " is used"; }},
    {"window.icon", Kind::String, "no icon is used (the shell's own)"},
    {"window.resizable", Kind::Boolean, [](const AppConfig& c) { return flag(c.resizable); }},
    {"window.remember", Kind::Boolean, "false is used"},
    {"settings", Kind::Section, "each of its members takes its default"},
    {"settings.distribution-mode", Kind::String, "\"evergreen\" is used"},
    {"settings.enable-devtools", Kind::Boolean,
     [](const AppConfig& c) { return flag(c.enableDevtools); }},
    {"settings.browser-keys", Kind::Boolean, "the browser's own default is used (on)"},
    {"settings.context-menu", Kind::Boolean,
     [](const AppConfig& c) { return flag(c.contextMenu); }},
    {"settings.status-bar", Kind::Boolean, "the browser's own default is used (on)"},
    {"settings.pinch-zoom", Kind::Boolean, "the browser's own default is used (on)"},
    {"settings.swipe-navigation", Kind::Boolean, "the browser's own default is used (on)"},
    {"settings.autofill", Kind::Boolean,
     "the browser's own default is used (form suggestions on, password saving off)"},
    {"settings.cross-origin-isolation", Kind::Boolean,
     [](const AppConfig& c) { return flag(c.crossOriginIsolation); }},
    {"messages", Kind::Section, "each of its members takes its default"},
    {"messages.install-webview2", Kind::String,
     [](const AppConfig& c) { return quoted(c.installMessage); }},
    {"messages.downloading", Kind::String,
     [](const AppConfig& c) { return quoted(c.downloadingMessage); }},
    {"messages.install-webview2-failed", Kind::String,
     [](const AppConfig& c) { return quoted(c.installFailedMessage); }},
    {"steam", Kind::Section, "Steam stays off"},
    {"steam.app-id", Kind::PositiveInteger, "Steam stays off"},
};

const Member* find(std::string_view path) {
    for (const Member& member : kMembers) {
        if (member.path == path)
            return &member;
    }
    return nullptr;
}

std::string typeOf(const Json& value) {
    switch (value.type()) {
        case Json::value_t::string:
            return "a string";
        case Json::value_t::boolean:
            return "a boolean";
        case Json::value_t::object:
            return "an object";
        case Json::value_t::array:
            return "an array";
        case Json::value_t::null:
            return "null";
        default:
            return "a number";
    }
}

// Why |value| is not what |member| takes ("a string, not a boolean"), or none.
std::optional<std::string> mismatch(const Member& member, const Json& value) {
    const std::string is = typeOf(value);
    switch (member.kind) {
        case Kind::Checked:
            return std::nullopt;
        case Kind::String:
            return value.is_string() ? std::nullopt : std::optional(is + ", not a string");
        case Kind::Boolean:
            return value.is_boolean() ? std::nullopt : std::optional(is + ", not a boolean");
        case Kind::Number:
            return value.is_number() ? std::nullopt : std::optional(is + ", not a number");
        case Kind::Section:
            return value.is_object() ? std::nullopt : std::optional(is + ", not an object");
        case Kind::PositiveInteger: {
            const bool positive = value.is_number_unsigned()
                                      ? value.get<uint64_t>() > 0
                                      : value.is_number_integer() && value.get<int64_t>() > 0;
            if (positive)
                return std::nullopt;
            return value.is_number() ? value.dump() + ", not a positive integer"
                                     : is + ", not a positive integer";
        }
        case Kind::Choice: {
            if (!value.is_string())
                return is + ", not a string";
            std::string allowed;
            size_t left = member.choices.size();
            for (const char* choice : member.choices) {
                if (value.get_ref<const std::string&>() == choice)
                    return std::nullopt;
                allowed += std::string(allowed.empty() ? ""
                                       : left == 1     ? " or "
                                                       : ", ") +
                           "\"" + choice + "\"";
                --left;
            }
            return value.dump() + ", not " + allowed;
        }
    }
    return std::nullopt;
}

void check(const Json& object, const std::string& prefix, const AppConfig& config,
           std::vector<std::string>& lines) {
    for (const auto& [key, value] : object.items()) {
        const std::string path = prefix + key;
        const std::string named = "package.json: " + Json(path).dump();
        // No member's own name holds a dot: "window.title" at the top is not the window's title.
        const Member* member = key.find('.') == std::string::npos ? find(path) : nullptr;
        if (member == nullptr) {
            lines.push_back(named + " is not a member the shell knows (ignored)");
            continue;
        }
        if (const std::optional<std::string> why = mismatch(*member, value)) {
            lines.push_back(named + " is " + *why + ": " + member->used(config));
            continue;
        }
        if (member->kind == Kind::Section)
            check(value, path + ".", config, lines);
    }
}

}  // namespace

std::vector<std::string> manifestWarnings(const std::string& text, const AppConfig& config) {
    std::vector<std::string> lines;
    const Json root = Json::parse(text, nullptr, false, false);
    if (root.is_object())
        check(root, "", config, lines);
    return lines;
}

}  // namespace quorvane::stamp
