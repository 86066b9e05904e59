#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace quorvane::pack {

// One file or folder found below a listed folder.
struct TreeEntry {
    std::wstring relative;  // from the listed folder, "\" separators
    std::string shown;      // the shown prefix, "/" and the relative path with "/", UTF-8
    bool folder = false;
    FILETIME written = {};
    unsigned long long size = 0;  // of a file
};

// Lists everything below |folder| (an extended path), each folder before its content, the names of
// one folder in ordinal order, following links as the copy does. |shown| is how messages name the
// folder ("app/www"). Adds a line "<shown path>: <why>" to |problems| for each name Windows cannot
// hold, for each name that differs from a sibling's only in letter case (Windows would keep one of
// the two) and for each link that leads back into a folder holding it. Throws std::runtime_error
// ("<shown path>: cannot be listed (...)") when a folder cannot be listed.
std::vector<TreeEntry> listTree(const std::wstring& folder, const std::string& shown,
                                std::vector<std::string>& problems);

// The names in |folder| (without "." and ".."), in ordinal order. Throws std::runtime_error
// ("<shown>: cannot be listed (...)").
std::vector<std::wstring> namesIn(const std::wstring& folder, const std::string& shown);

// Identifies a file or folder whatever path leads to it (links, another letter case, another
// drive letter): the volume's serial number and the file index.
using FileId = std::pair<DWORD, unsigned long long>;

// |path|'s identity, following links; false when it cannot be opened.
bool fileIdOf(const std::wstring& path, FileId& id);

// The time a file or folder was last written; throws std::runtime_error ("cannot be read (...)").
FILETIME writeTimeOf(const std::wstring& path);

// Sets the last-write time of a file or folder; throws WriteError.
void setWriteTime(const std::wstring& path, const FILETIME& time);

// Creates a folder that must not exist yet; throws WriteError.
void createFolder(const std::wstring& path);

// Creates a folder and the folders above it that are missing; throws WriteError.
void createFolders(const std::wstring& path);

// Copies a file, which must not exist at |to| yet, with its last-write time. A source that cannot
// be read is the app folder's problem (AppFolderError naming |shown|), anything else WriteError.
void copyFile(const std::wstring& from, const std::wstring& to, const std::string& shown);

// Whether |name| in |folder| is a link (a symbolic link or a junction) rather than a file or folder
// of its own: a reparse point, or an item whose final path, links resolved, is not |folder|'s plus
// its name. Wine flags links to folders only, and moves and deletes what any link leads to.
bool isLink(const std::wstring& folder, const std::wstring& name);

// Deletes a folder with everything in it, clearing read-only attributes on the way. Links are
// left where they are, and what they lead to is never touched. Returns false when something
// could not be deleted or was a link (the rest is deleted all the same).
bool removeTree(const std::wstring& path);

}  // namespace quorvane::pack
