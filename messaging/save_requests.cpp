// "saves.write", "saves.read", "saves.list" and "saves.remove", answered on the page worker.
#include "messaging/save_requests.h"

#include "messaging/page_worker.h"
#include "messaging/request_members.h"
#include "messaging/request_table.h"
#include "messaging/save_store.h"
#include "platform/atomic_file.h"

namespace quorvane {

namespace {

std::wstring folderOfSaves;

const std::string& saveName(const nlohmann::json& request) {
    const std::string& name = requireString(request, "name");
    if (!isSaveName(name)) {
        throw RequestFailure{RequestError::BadName,
                             "\"" + name +
                                 "\" is not a save name (1 to 64 of A-Z a-z 0-9 . _ -, not "
                                 "starting or ending with a dot, not a device name)"};
    }
    return name;
}

Outcome write(nlohmann::json& request) {
    const std::string name = saveName(request);
    const std::string text = takeString(request, "text");
    if (text.size() > kMaxSaveBytes) {
        throw RequestFailure{RequestError::TooLarge, "the text is " + std::to_string(text.size()) +
                                                         " bytes of UTF-8 (at most " +
                                                         std::to_string(kMaxSaveBytes) + ")"};
    }
    return writeSave(folderOfSaves, name, text);
}

Outcome read(nlohmann::json& request) {
    return readSave(folderOfSaves, saveName(request));
}

Outcome list(nlohmann::json&) {
    return listSaves(folderOfSaves);
}

Outcome remove(nlohmann::json& request) {
    return removeSave(folderOfSaves, saveName(request));
}

constexpr RequestType kSaveRequests[] = {
    {"saves.write", RunsOn::Worker, write},
    {"saves.read", RunsOn::Worker, read},
    {"saves.list", RunsOn::Worker, list},
    {"saves.remove", RunsOn::Worker, remove},
};

}  // namespace

std::span<const RequestType> saveRequests() {
    return kSaveRequests;
}

void useSavesFolder(const std::wstring& folder) {
    folderOfSaves = folder;
    if (!queuePageWork([folder] { removeTemporaryFiles(folder); }, 0))
        removeTemporaryFiles(folder);
}

const std::wstring& savesFolder() {
    return folderOfSaves;
}

}  // namespace quorvane
