#pragma once

#include <string>
#include <string_view>

#include "messaging/page_reply.h"

namespace quorvane {

// The page's saves: one plain file per save in one folder, holding the page's text as UTF-8,
// exactly. Files are replaced whole (see platform/atomic_file.h), so a player's save is never half
// written. These run on the file worker, never on the UI thread.

inline constexpr size_t kMaxSaveBytes = 16u << 20;
inline constexpr size_t kMaxSaves = 1000;

// 1 to 64 characters of A-Z a-z 0-9 . _ -, not starting with a dot (the temporary files do), not
// ending in one (Windows drops it: "a." would be the save "a"), and not a device name with or
// without extension ("con", "Aux.sav"). Checked before any file is touched.
bool isSaveName(std::string_view name);

// Each answers as the page API documents: null; the text or null; [{name, size, modified}] sorted
// by name; true or false. Failures of the system are "io" with the system's words; a write of a
// new save when kMaxSaves exist is "quota". The folder is created by the first write.
Outcome writeSave(const std::wstring& folder, const std::string& name, const std::string& text);
Outcome readSave(const std::wstring& folder, const std::string& name);
Outcome listSaves(const std::wstring& folder);
Outcome removeSave(const std::wstring& folder, const std::string& name);

// Makes |folder| and every missing folder above it. Returns 0 or the system's error code.
unsigned long createFolderChain(const std::wstring& folder);

}  // namespace quorvane
