#pragma once

#include <string>

#include "manifest/app_config.h"

namespace quorvane {

// The folder of the page's saves, from the manifest's "saves-folder": <Saved Games>\<name> (the
// default; Steam Auto-Cloud's root WinSavedGames), <Documents>\My Games\<name>, <Roaming app
// data>\<name>, or <user data folder>\saves. A known folder the system cannot name falls back to
// the last. No trailing backslash; the folder itself may not exist yet.
std::wstring savesFolderFor(const AppConfig& config, const std::wstring& userDataFolder);

}  // namespace quorvane
