#pragma once

#include <string>

namespace quorvane {

// The folder the page's saves live in (see saves_folder.h), set once at start-up. Left over
// temporary files of a killed run are removed from it by the file worker.
void useSavesFolder(const std::wstring& folder);
const std::wstring& savesFolder();

}  // namespace quorvane
