// The swap into the output folder, stopped before each of its moves by Ctrl-C or a failure: the
// output folder holds the previous set whole, or the new set whole, never a mix, never nothing.
#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "platform/utf8.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"
#include "tools/pack/long_path.h"
#include "tools/pack/pack_errors.h"
#include "tools/pack/swap.h"

namespace quorvane::pack {
namespace {

using testing::TempDir;
using Listing = std::map<std::string, std::string>;  // path -> content, "/" for a folder

void list(const std::wstring& folder, const std::string& prefix, Listing& listing) {
    WIN32_FIND_DATAW data = {};
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        const std::wstring name = data.cFileName;
        if (name == L"." || name == L"..")
            continue;
        std::string path = prefix;
        path += wideToUtf8(name);
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            listing.emplace(path, "/");
            list(folder + L"\\" + name, path + "/", listing);
        } else {
            listing[path] = testing::readFile(folder + L"\\" + name);
        }
    } while (FindNextFileW(find, &data));
    FindClose(find);
}

std::wstring windowsPath(const std::string& path) {
    std::wstring windows = utf8ToWide(path);
    for (wchar_t& c : windows)
        c = c == L'/' ? L'\\' : c;
    return windows;
}

Listing listing(const std::wstring& folder) {
    Listing result;
    list(folder, "", result);
    return result;
}

TEST(Swap, EveryStopLeavesThePreviousOrTheNewSetWhole) {
    const Listing previous = {{"Game", "/"},
                              {"Game/www", "/"},
                              {"Game/www/old.js", "1"},
                              {"Game.zip", "old zip"},
                              {"notes.txt", "mine"}};
    const Listing added = {{"Game", "/"},
                           {"Game/www", "/"},
                           {"Game/www/new.js", "2"},
                           {"Game.zip", "new zip"},
                           {"Game Setup 2.0.exe", "installer"}};
    int stops = 0;
    for (bool failing : {false, true}) {
        for (int stopAt = 0;; ++stopAt) {
            TempDir temp;
            const std::wstring out = temp / L"out", stage = temp / L"out\\.stage";
            for (const auto& [path, content] : previous) {
                if (content != "/")
                    testing::writeFile(out + L"\\" + windowsPath(path), content);
            }
            for (const auto& [path, content] : added) {
                if (content != "/")
                    testing::writeFile(stage + L"\\" + windowsPath(path), content);
            }
            int step = 0;
            bool stopped = false;
            auto checkpoint = [&] {
                if (step++ != stopAt)
                    return;
                stopped = true;
                if (failing)
                    throw WriteError("a move failed");
                throw Interrupted();
            };
            std::wstring leftOver = L"(thrown)";
            try {
                leftOver = swapIntoPlace(extendedPath(stage), extendedPath(out), checkpoint);
            } catch (const WriteError&) {
            } catch (const Interrupted&) {
            }
            Listing now = listing(out);
            if (!stopped) {
                // Past the last move: the new set in place, the previous one gone, nothing else.
                EXPECT_TRUE(leftOver.empty());
                Listing expected = added;
                expected["notes.txt"] = "mine";
                EXPECT_EQ(now, expected);
                EXPECT_EQ(stopAt, 5) << "moves: two aside, three in";
                break;
            }
            ++stops;
            // Stopped: the output folder exactly as before, the new set whole in the stage.
            Listing expected = previous;
            expected[".stage"] = "/";
            for (const auto& [path, content] : added)
                expected[".stage/" + path] = content;
            EXPECT_EQ(now, expected)
                << "stopped before move " << stopAt << (failing ? " by a failure" : " by Ctrl-C");
        }
    }
    EXPECT_EQ(stops, 10);
}

}  // namespace
}  // namespace quorvane::pack
