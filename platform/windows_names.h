#pragma once

#include <string>
#include <string_view>

namespace quorvane {

// The rules Windows applies to the name of one file or folder, in one place for the shell (request
// paths, save names) and the packager (a package's files, its output folders).

// A character Windows never allows in a name: a control character (below U+0020) or one of
// < > : " / \ | ? *.
bool isReservedNameCharacter(wchar_t unit);

// Whether Windows takes |name| for a device in every folder: CON, PRN, AUX, NUL, CONIN$, CONOUT$,
// CLOCK$, COM0-9 and LPT0-9 (the superscripts 1, 2 and 3 count as port numbers too), in any letter
// case, alone or followed by an extension ("nul.txt"), trailing spaces before the dot ignored.
bool isDeviceName(std::wstring_view name);

// A key under which two names that Windows takes for the same file compare equal: it ignores
// letter case, beyond ASCII too ("É" and "é"), as NTFS and Wine's file system layer do.
std::wstring caseFolded(std::wstring_view name);

// Whether Windows takes |a| and |b| for the same name.
bool sameWindowsName(std::wstring_view a, std::wstring_view b);

}  // namespace quorvane
