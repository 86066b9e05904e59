#include "tools/stamp/version_info.h"

#include <charconv>
#include <stdexcept>

namespace quorvane::stamp {

namespace {

bool isIdentifierCharacter(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '-';
}

// Dot-separated, non-empty identifiers of [0-9A-Za-z-], as semantic versioning allows after
// "-" and "+".
bool isIdentifierList(std::string_view text) {
    if (text.empty() || text.front() == '.' || text.back() == '.')
        return false;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '.' ? text[i - 1] == '.' : !isIdentifierCharacter(text[i]))
            return false;
    }
    return true;
}

// Builds the tree of VS_VERSIONINFO nodes. Each node is wLength, wValueLength, wType, its
// NUL-terminated key, padding to 32 bits, its value, padding, then its children; wLength covers
// the node up to the end of its value or last child, without trailing padding. Alignment is
// counted from the start of the resource.
class NodeWriter {
  public:
    size_t begin(std::wstring_view key, WORD valueLength, WORD type) {
        align();
        const size_t start = bytes_.size();
        putWord(0);
        putWord(valueLength);
        putWord(type);
        putText(key);
        align();
        return start;
    }
    void end(size_t start) {
        if (bytes_.size() - start > 0xFFFF)
            throw std::length_error("the version texts are too long");
        const WORD length = static_cast<WORD>(bytes_.size() - start);
        bytes_[start] = static_cast<BYTE>(length & 0xFF);
        bytes_[start + 1] = static_cast<BYTE>(length >> 8);
    }
    void putWord(WORD value) {
        bytes_.push_back(static_cast<BYTE>(value & 0xFF));
        bytes_.push_back(static_cast<BYTE>(value >> 8));
    }
    void putText(std::wstring_view text) {
        for (wchar_t unit : text)
            putWord(static_cast<WORD>(unit));
        putWord(0);
    }
    void putBytes(const void* data, size_t size) {
        const auto* from = static_cast<const BYTE*>(data);
        bytes_.insert(bytes_.end(), from, from + size);
    }
    void align() {
        while (bytes_.size() % 4 != 0)
            bytes_.push_back(0);
    }
    std::vector<BYTE> take() { return std::move(bytes_); }

  private:
    std::vector<BYTE> bytes_;
};

}  // namespace

std::optional<AppVersion> parseAppVersion(std::string_view text) {
    AppVersion version;
    version.text = std::string(text);
    std::string_view rest = text;
    const size_t build = rest.find('+');
    if (build != std::string_view::npos) {
        if (!isIdentifierList(rest.substr(build + 1)))
            return std::nullopt;
        rest = rest.substr(0, build);
    }
    const size_t pre = rest.find('-');
    if (pre != std::string_view::npos) {
        if (!isIdentifierList(rest.substr(pre + 1)))
            return std::nullopt;
        version.preRelease = true;
        rest = rest.substr(0, pre);
    }
    int count = 0;
    for (;;) {
        const size_t dot = rest.find('.');
        std::string_view part = rest.substr(0, dot);
        unsigned value = 0;
        auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), value);
        if (part.empty() || error != std::errc() || end != part.data() + part.size() ||
            value > 0xFFFF || count == 4) {
            return std::nullopt;
        }
        version.parts[count++] = static_cast<WORD>(value);
        if (dot == std::string_view::npos)
            break;
        rest = rest.substr(dot + 1);
    }
    return version;
}

std::vector<BYTE> versionResource(const AppVersion& version, const VersionStrings& strings) {
    VS_FIXEDFILEINFO fixed = {};
    fixed.dwSignature = VS_FFI_SIGNATURE;
    fixed.dwStrucVersion = VS_FFI_STRUCVERSION;
    fixed.dwFileVersionMS = MAKELONG(version.parts[1], version.parts[0]);
    fixed.dwFileVersionLS = MAKELONG(version.parts[3], version.parts[2]);
    fixed.dwProductVersionMS = fixed.dwFileVersionMS;
    fixed.dwProductVersionLS = fixed.dwFileVersionLS;
    fixed.dwFileFlagsMask = VS_FFI_FILEFLAGSMASK;
    fixed.dwFileFlags = version.preRelease ? VS_FF_PRERELEASE : 0;
    fixed.dwFileOS = VOS_NT_WINDOWS32;
    fixed.dwFileType = VFT_APP;

    NodeWriter writer;
    const size_t root = writer.begin(L"VS_VERSION_INFO", sizeof fixed, 0);
    writer.putBytes(&fixed, sizeof fixed);
    const size_t fileInfo = writer.begin(L"StringFileInfo", 0, 1);
    const size_t table = writer.begin(L"040904B0", 0, 1);  // US English, UTF-16
    for (const auto& [key, value] : strings) {
        if (value.empty())
            continue;
        const size_t node = writer.begin(key, static_cast<WORD>(value.size() + 1), 1);
        writer.putText(value);
        writer.end(node);
    }
    writer.end(table);
    writer.end(fileInfo);
    const size_t varInfo = writer.begin(L"VarFileInfo", 0, 1);
    const size_t translation = writer.begin(L"Translation", 4, 0);
    writer.putWord(0x0409);
    writer.putWord(1200);
    writer.end(translation);
    writer.end(varInfo);
    writer.end(root);
    return writer.take();
}

}  // namespace quorvane::stamp
