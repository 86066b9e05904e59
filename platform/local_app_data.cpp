#include "platform/local_app_data.h"

#include <windows.h>
#include <shlobj.h>
#include <knownfolders.h>

#include "platform/scoped_com_mem.h"

namespace quorvane {
namespace {

std::wstring cachedPath;

std::wstring folderPath(REFKNOWNFOLDERID id, DWORD flags) {
    ScopedCoMem<wchar_t> path;
    // On failure the out-pointer is set to null (and must still be freed, which frees null).
    SHGetKnownFolderPath(id, flags, nullptr, path.put());
    return path ? std::wstring(path.get()) : std::wstring();
}

}  // namespace

std::wstring localAppDataPath() {
    if (cachedPath.empty())
        cachedPath = folderPath(FOLDERID_LocalAppData, KF_FLAG_DEFAULT);
    return cachedPath;
}

std::wstring knownFolderPath(REFKNOWNFOLDERID id) {
    // Without KF_FLAG_DONT_VERIFY a folder that does not exist yet fails the call.
    return folderPath(id, KF_FLAG_DONT_VERIFY);
}

}  // namespace quorvane
