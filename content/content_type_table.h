#pragma once

#include <map>
#include <string>
#include <string_view>

namespace quorvane {

// Content types by file extension. Keys are lower-case extensions with their leading dot, compared
// by UTF-16 code unit; lookups lower-case the extension first, so "Main.JS" finds ".js".
class ContentTypeTable {
  public:
    // The fixed list of 42 extensions the shell knows.
    ContentTypeTable();

    // The type sent for |requestPath| (percent-decoded, "/" separators): chosen by the text from
    // the last "." to the end, lower-cased; "application/octet-stream" when the table has no entry.
    const std::wstring& typeFor(std::wstring_view requestPath) const;

    const std::map<std::wstring, std::wstring, std::less<>>& entries() const { return entries_; }

  private:
    std::map<std::wstring, std::wstring, std::less<>> entries_;
};

// Built before wWinMain runs; read-only afterwards.
extern const ContentTypeTable contentTypeTable;

// contentTypeTable.typeFor(requestPath), as a copy.
std::wstring contentTypeFor(std::wstring_view requestPath);

}  // namespace quorvane
