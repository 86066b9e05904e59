#include "window/remembered_window.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace quorvane {

namespace {

// The DPIs Windows can set lie well inside this; anything outside is a damaged file.
constexpr UINT kLowestDpi = 48;
constexpr UINT kHighestDpi = 960;
// Screen coordinates stay within 16 bits, as the window manager keeps them.
constexpr double kCoordinateLimit = 32767;

// A length in DIPs with at most two decimals, enough for the pixel at up to 9600 dpi.
std::string dipText(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.2f", value);
    std::string result = text;
    while (result.back() == '0')
        result.pop_back();
    if (result.back() == '.')
        result.pop_back();
    return result == "-0" ? "0" : result;
}

// A length in pixels for a log line; a damaged file may hold any number.
std::string pixelText(double value) {
    if (std::fabs(value) < 1e15)
        return std::to_string(std::llround(value));
    char text[32];
    std::snprintf(text, sizeof text, "%.3g", value);
    return text;
}

double toPixels(double dips, UINT dpi) {
    return dips * dpi / 96.0;
}

}  // namespace

std::string rememberedWindowText(const RememberedWindow& window) {
    return "{\"x\":" + dipText(window.x) + ",\"y\":" + dipText(window.y) +
           ",\"width\":" + dipText(window.width) + ",\"height\":" + dipText(window.height) +
           ",\"dpi\":" + std::to_string(window.dpi) +
           ",\"maximized\":" + (window.maximized ? "true" : "false") +
           ",\"fullscreen\":" + (window.fullscreen ? "true" : "false") + "}\n";
}

RememberedWindowRead readRememberedWindow(std::string_view text) {
    RememberedWindowRead read;
    nlohmann::json root;
    try {
        root = nlohmann::json::parse(text.begin(), text.end(), nullptr, true, false);
    } catch (const nlohmann::json::exception&) {
        read.problem = "not JSON";
        return read;
    }
    if (!root.is_object()) {
        read.problem = "not a JSON object";
        return read;
    }
    RememberedWindow window;
    const std::pair<const char*, double*> numbers[] = {
        {"x", &window.x}, {"y", &window.y}, {"width", &window.width}, {"height", &window.height}};
    for (const auto& [key, field] : numbers) {
        auto it = root.find(key);
        if (it == root.end() || !it->is_number()) {
            read.problem = std::string("\"") + key + "\" is missing or not a number";
            return read;
        }
        *field = it->get<double>();
    }
    auto dpi = root.find("dpi");
    if (dpi == root.end() || !dpi->is_number_integer()) {
        read.problem = "\"dpi\" is missing or not a whole number";
        return read;
    }
    const int64_t dpiValue = dpi->get<int64_t>();
    if (dpiValue < kLowestDpi || dpiValue > kHighestDpi) {
        read.problem = "the DPI " + dpi->dump() + " is out of range";
        return read;
    }
    window.dpi = static_cast<UINT>(dpiValue);
    const std::pair<const char*, bool*> flags[] = {{"maximized", &window.maximized},
                                                   {"fullscreen", &window.fullscreen}};
    for (const auto& [key, field] : flags) {
        auto it = root.find(key);
        if (it == root.end() || !it->is_boolean()) {
            read.problem = std::string("\"") + key + "\" is missing or not true or false";
            return read;
        }
        *field = it->get<bool>();
    }
    // In pixels, as the window manager would have to take them.
    const double left = toPixels(window.x, window.dpi);
    const double top = toPixels(window.y, window.dpi);
    const double width = toPixels(window.width, window.dpi);
    const double height = toPixels(window.height, window.dpi);
    if (!(width >= 1 && height >= 1 && width <= kCoordinateLimit && height <= kCoordinateLimit)) {
        read.problem =
            "the size " + pixelText(width) + "x" + pixelText(height) + " is out of range";
        return read;
    }
    if (!(left >= -kCoordinateLimit && top >= -kCoordinateLimit &&
          left + width <= kCoordinateLimit && top + height <= kCoordinateLimit)) {
        read.problem =
            "the position " + pixelText(left) + "," + pixelText(top) + " is out of range";
        return read;
    }
    read.window = window;
    return read;
}

RememberedWindow rememberWindowRect(const RECT& rect, UINT dpi, bool maximized, bool fullscreen) {
    RememberedWindow window;
    window.dpi = dpi == 0 ? 96 : dpi;
    const double scale = 96.0 / window.dpi;
    window.x = rect.left * scale;
    window.y = rect.top * scale;
    window.width = (static_cast<double>(rect.right) - rect.left) * scale;
    window.height = (static_cast<double>(rect.bottom) - rect.top) * scale;
    window.maximized = maximized;
    window.fullscreen = fullscreen;
    return window;
}

RECT startRectInPixels(const RememberedWindow& window, UINT dpi) {
    const LONG left = static_cast<LONG>(std::lround(toPixels(window.x, window.dpi)));
    const LONG top = static_cast<LONG>(std::lround(toPixels(window.y, window.dpi)));
    // A much higher DPI than before could make it larger than coordinates go.
    const LONG width =
        static_cast<LONG>(std::lround(std::min(toPixels(window.width, dpi), kCoordinateLimit)));
    const LONG height =
        static_cast<LONG>(std::lround(std::min(toPixels(window.height, dpi), kCoordinateLimit)));
    return {left, top, left + width, top + height};
}

}  // namespace quorvane
