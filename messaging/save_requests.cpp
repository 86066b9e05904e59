// "saves.write", "saves.read", "saves.list" and "saves.remove": checked on the UI thread, done on
// the file worker.
#include "messaging/save_requests.h"

#include "messaging/file_worker.h"
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

void write(nlohmann::json& request, Reply& reply) {
    std::string name = saveName(request);
    std::string text = takeString(request, "text");
    if (text.size() > kMaxSaveBytes) {
        throw RequestFailure{RequestError::TooLarge, "the text is " + std::to_string(text.size()) +
                                                         " bytes of UTF-8 (at most " +
                                                         std::to_string(kMaxSaveBytes) + ")"};
    }
    const size_t bytes = text.size();
    queueFileWork([folder = folderOfSaves, name = std::move(name),
                   text = std::move(text)] { return writeSave(folder, name, text); },
                  std::move(reply), bytes);
}

// Each request is checked whole before its reply is handed on, so a refusal still has it.
void read(nlohmann::json& request, Reply& reply) {
    std::string name = saveName(request);
    queueFileWork(
        [folder = folderOfSaves, name = std::move(name)] { return readSave(folder, name); },
        std::move(reply), 0);
}

void list(nlohmann::json&, Reply& reply) {
    queueFileWork([folder = folderOfSaves] { return listSaves(folder); }, std::move(reply), 0);
}

void remove(nlohmann::json& request, Reply& reply) {
    std::string name = saveName(request);
    queueFileWork(
        [folder = folderOfSaves, name = std::move(name)] { return removeSave(folder, name); },
        std::move(reply), 0);
}

constexpr RequestType kSaveRequests[] = {
    {"saves.write", write},
    {"saves.read", read},
    {"saves.list", list},
    {"saves.remove", remove},
};

}  // namespace

std::span<const RequestType> saveRequests() {
    return kSaveRequests;
}

void useSavesFolder(const std::wstring& folder) {
    folderOfSaves = folder;
    queueFileWork(
        [folder] {
            removeTemporaryFiles(folder);
            return Outcome::success();
        },
        Reply(), 0);
}

const std::wstring& savesFolder() {
    return folderOfSaves;
}

}  // namespace quorvane
