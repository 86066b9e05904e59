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
    if (cachedPath.empty()) {
        ScopedCoMem<wchar_t> path;
        // On failure the out-pointer is set to null (and must still be freed, which frees null).
        SHGetKnownFolderPath(FOLDERID_LocalAppData, KF_FLAG_DEFAULT, nullptr, path.put());
        if (path)
            cachedPath = path.get();
    }
    return cachedPath;
}

}  // namespace quorvane
