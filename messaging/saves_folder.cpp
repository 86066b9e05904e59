#include "messaging/saves_folder.h"

#include <knownfolders.h>

#include "platform/local_app_data.h"

namespace quorvane {

std::wstring savesFolderFor(const AppConfig& config, const std::wstring& userDataFolder) {
    std::wstring base;
    std::wstring below = L"\\" + config.name;
    switch (config.savesFolder) {
        case SavesFolder::SavedGames:
            base = knownFolderPath(FOLDERID_SavedGames);
            break;
        case SavesFolder::Documents:
            base = knownFolderPath(FOLDERID_Documents);
            below = L"\\My Games" + below;
            break;
        case SavesFolder::Roaming:
            base = knownFolderPath(FOLDERID_RoamingAppData);
            break;
        case SavesFolder::Local:
            break;
    }
    if (base.empty())
        return userDataFolder + L"\\saves";
    return base + below;
}

}  // namespace quorvane
