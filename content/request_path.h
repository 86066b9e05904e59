#pragma once

#include <string>
#include <string_view>

namespace quorvane {

// Percent-decodes the part of a request URI after the origin. Escapes that spell a well-formed
// UTF-8 sequence become that character (browsers send non-ASCII names that way); any other escaped
// byte becomes the one UTF-16 unit of the same value. A "%" not followed by two hex digits stays as
// it is, and escapes after "?" or "#" are decoded too. When the decoded text would need 2048 UTF-16
// units or more it is returned undecoded.
std::wstring decodeRequestPath(std::wstring_view encoded);

// Whether |requestPath| (decoded, "/" separators) may name a file inside the content folder.
// Refused, so that nothing outside the folder and no device is ever opened: the empty path (the
// folder itself); control characters (an encoded NUL included); "\" (another separator) and ":"
// (drive letters, alternate data streams, device suffixes) and the other characters Windows forbids
// in names (* ? " < > |); segments ending in "." or " " ("." and ".." in every spelling, and
// names Windows would silently trim); and reserved device names (CON, PRN, AUX, NUL, COM0-9,
// LPT0-9, CONIN$, CONOUT$, CLOCK$), also with an extension or trailing spaces ("nul.txt").
bool isServablePath(std::wstring_view requestPath);

// |contentFolder| (ending in "\") followed by |requestPath| with every "/" turned into "\".
std::wstring filePathFor(const std::wstring& contentFolder, std::wstring_view requestPath);

}  // namespace quorvane
