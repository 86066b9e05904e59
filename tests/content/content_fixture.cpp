#include "tests/content/content_fixture.h"

#include <gtest/gtest.h>

#include <thread>

#include "tests/support/files.h"

namespace quorvane::testing {

std::string offsetPattern(size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    return bytes;
}

ContentFolder::ContentFolder() : www_(dir_ / L"app\\www\\") {
    writeFile(dir_ / L"secret.txt", kSecret);
    writeFile(app(L"secret.txt"), kSecret);
    writeFile(app(L"package.json"), "{\"name\":\"fixture\"}");
    writeFile(www_ + L"index.html", kIndex);
    writeFile(www_ + L"img\\ui\\button.png", kButton);
    writeFile(www_ + L"my file.png", kSpaced);
    writeFile(www_ + L"sprites\\hero.png", offsetPattern(1000));
    writeFile(www_ + L"music\\theme.ogg", offsetPattern(5000));
    writeFile(www_ + L"empty.txt", "");
    writeFile(www_ + L"data\\level.scon", kScon);
    writeFile(www_ + L"caf\u00E9.png", kAccented);
    writeFile(www_ + L"\u65E5\u672C\u8A9E.txt", kJapanese);
}

std::wstring ContentFolder::app(const std::wstring& relative) const {
    return dir_ / (L"app\\" + relative);
}

std::string readToEnd(IStream* stream) {
    std::string bytes;
    char buffer[65536];
    for (;;) {
        ULONG got = 0;
        HRESULT result = stream->Read(buffer, sizeof buffer, &got);
        if (FAILED(result)) {
            ADD_FAILURE() << "Read failed: " << std::hex << result;
            return bytes;
        }
        bytes.append(buffer, got);
        if (got == 0)
            return bytes;
    }
}

std::string readToEndOnAnotherThread(IStream* stream) {
    std::string bytes;
    std::thread reader([&] { bytes = readToEnd(stream); });
    reader.join();
    return bytes;
}

}  // namespace quorvane::testing
