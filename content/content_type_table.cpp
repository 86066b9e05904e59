#include "content/content_type_table.h"

#include "platform/ascii_case.h"

namespace quorvane {

namespace {

struct Entry {
    const wchar_t* extension;
    const wchar_t* type;
};

// Text types carry an explicit UTF-8 charset; the ".scml" and ".scon" data formats and the older
// font names are sent exactly as games built for them expect.
constexpr Entry kEntries[] = {
    {L".html", L"text/html; charset=utf-8"},
    {L".htm", L"text/html; charset=utf-8"},
    {L".js", L"application/javascript; charset=utf-8"},
    {L".mjs", L"application/javascript; charset=utf-8"},
    {L".css", L"text/css; charset=utf-8"},
    {L".json", L"application/json; charset=utf-8"},
    {L".xml", L"text/xml; charset=utf-8"},
    {L".csv", L"text/csv; charset=utf-8"},
    {L".txt", L"text/plain; charset=utf-8"},
    {L".wasm", L"application/wasm"},
    {L".png", L"image/png"},
    {L".apng", L"image/apng"},
    {L".jpg", L"image/jpeg"},
    {L".jpeg", L"image/jpeg"},
    {L".svg", L"image/svg+xml"},
    {L".webp", L"image/webp"},
    {L".gif", L"image/gif"},
    {L".tif", L"image/tiff"},
    {L".tiff", L"image/tiff"},
    {L".bmp", L"image/bmp"},
    {L".ico", L"image/x-icon"},
    {L".avif", L"image/avif"},
    {L".webm", L"video/webm"},
    {L".m4a", L"audio/mp4"},
    {L".mp3", L"audio/mpeg"},
    {L".mp4", L"video/mp4"},
    {L".mpg", L"video/mpeg"},
    {L".mpeg", L"video/mpeg"},
    {L".opus", L"audio/ogg; codecs=opus"},
    {L".ogg", L"audio/ogg"},
    {L".ogv", L"video/ogg"},
    {L".flac", L"audio/flac"},
    {L".wav", L"audio/wav"},
    {L".woff", L"application/font-woff"},
    {L".woff2", L"font/woff2"},
    {L".ttf", L"application/font-sfnt"},
    {L".otf", L"application/font-sfnt"},
    {L".eot", L"application/vnd.ms-fontobject"},
    {L".zip", L"application/zip"},
    {L".pdf", L"application/pdf"},
    {L".scml", L"text/xml"},
    {L".scon", L"application/json"},
};

// Longer than every key: an extension past this length cannot be in the table.
constexpr size_t kLongestExtension = 8;

const std::wstring kDefaultType = L"application/octet-stream";

}  // namespace

ContentTypeTable::ContentTypeTable() {
    for (const Entry& entry : kEntries)
        entries_.emplace(entry.extension, entry.type);
}

const std::wstring& ContentTypeTable::typeFor(std::wstring_view requestPath) const {
    // Everything from the last dot on is the extension, "/" and folder names included, so
    // "lib.old/readme" has the extension ".old/readme" and gets the default type.
    size_t dot = requestPath.rfind(L'.');
    if (dot == std::wstring_view::npos)
        return kDefaultType;
    std::wstring_view extension = requestPath.substr(dot);
    if (extension.size() > kLongestExtension)
        return kDefaultType;

    wchar_t lower[kLongestExtension];
    for (size_t i = 0; i < extension.size(); ++i)
        lower[i] = asciiLower(extension[i]);
    auto found = entries_.find(std::wstring_view(lower, extension.size()));
    return found == entries_.end() ? kDefaultType : found->second;
}

const ContentTypeTable contentTypeTable;

std::wstring contentTypeFor(std::wstring_view requestPath) {
    return contentTypeTable.typeFor(requestPath);
}

}  // namespace quorvane
