#include "platform/local_app_data.h"

#include <windows.h>
#include <shlobj.h>
#include <knownfolders.h>

#include "platform/scoped_com_mem.h"

namespace quorvane {
namespace {

std::wstring cachedPath;

}  // namespace

std::wstring localAppDataPath() {
    if (cachedPath.empty())
        cachedPath = knownFolderPath(FOLDERID_LocalAppData);
    return cachedPath;
}

std::wstring knownFolderPath(REFKNOWNFOLDERID id) {
    ScopedCoMem<wchar_t> path;
    // On failure the out-pointer is set to null (and must still be freed, which frees null). A
    // fresh account may not have Saved Games yet: KF_FLAG_CREATE makes it, as Explorer would.
    SHGetKnownFolderPath(id, KF_FLAG_CREATE, nullptr, path.put());
    return path ? std::wstring(path.get()) : std::wstring();
}

}  // namespace quorvane
