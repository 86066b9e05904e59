// Writes one save over and over, in turn with two contents of 4 MiB, until it is killed; the kill
// test looks at what a killed writer leaves behind. Argument: the saves folder.
#include <windows.h>

#include <string>

#include "messaging/save_store.h"

int wmain(int argc, wchar_t** argv) {
    if (argc != 2)
        return 2;
    const std::string contents[2] = {std::string(4u << 20, 'A'), std::string(4u << 20, 'B')};
    for (unsigned i = 0;; ++i) {
        if (!quorvane::writeSave(argv[1], "slot", contents[i % 2]).ok)
            return 1;
    }
}
