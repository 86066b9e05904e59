#include "tests/support/run_log_lines.h"

#include <windows.h>

#include <regex>

#include <knownfolders.h>

#include "platform/local_app_data.h"
#include "platform/utf8.h"
#include "tests/support/files.h"

namespace quorvane::testing {

std::vector<std::string> runLogMessages(const std::string& log) {
    static const std::regex stamp(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z )");
    std::vector<std::string> messages;
    size_t start = 0;
    while (start < log.size()) {
        size_t end = log.find("\r\n", start);
        const bool ended = end != std::string::npos;
        if (!ended)
            end = log.size();
        const std::string line = log.substr(start, end - start);
        if (ended && line.size() >= 25 && std::regex_match(line.substr(0, 25), stamp))
            messages.push_back(line.substr(25));
        else
            messages.push_back("BAD LINE: " + line);
        start = end + 2;
    }
    return messages;
}

std::wstring userDataFolderFor(const std::wstring& name) {
    return localAppDataPath() + L"\\" + name;
}

std::string defaultSavesLogLine(const std::wstring& name) {
    return "saves folder=" + wideToUtf8(knownFolderPath(FOLDERID_SavedGames) + L"\\" + name) +
           " (\"saves-folder\" not given: the default)";
}

std::vector<std::string> runLogIn(const std::wstring& folder) {
    const std::wstring path = folder + L"\\quorvane.log";
    return fileExists(path) ? runLogMessages(readFile(path)) : std::vector<std::string>();
}

}  // namespace quorvane::testing
