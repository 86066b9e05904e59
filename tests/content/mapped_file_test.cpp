#include <windows.h>
#include <objbase.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/com_ref.h"
#include "platform/scoped_handle.h"
#include "content/mapped_file_cache.h"
#include "content/view_slice_stream.h"
#include "tests/content/content_fixture.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace quorvane {
namespace {

using testing::readToEnd;
using testing::TempDir;
using testing::writeFile;

// Whether another program could open |path| for writing now (a cached file must refuse).
bool canOpenForWriting(const std::wstring& path) {
    ScopedHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file.valid();
}

TEST(MappedFileCache, MapsEachRequestPathOnceAndKeepsTheFileFromWriters) {
    TempDir dir;
    const std::string content = testing::offsetPattern(100000);
    writeFile(dir / L"theme.ogg", content);
    MappedFileCache cache;

    auto first = cache.mappedView(L"music/theme.ogg", dir / L"theme.ogg");
    ASSERT_TRUE(first);
    EXPECT_EQ(first->size, content.size());
    EXPECT_EQ(std::memcmp(first->bytes(), content.data(), content.size()), 0);
    EXPECT_EQ(cache.size(), 1u);

    // The second request does not open anything: the file path is not even looked at.
    auto second = cache.mappedView(L"music/theme.ogg", dir / L"no such file");
    EXPECT_EQ(second.get(), first.get());
    EXPECT_EQ(cache.size(), 1u);
    EXPECT_FALSE(canOpenForWriting(dir / L"theme.ogg"));

    // Another spelling of the same file is another entry with its own view.
    auto other = cache.mappedView(L"Music/Theme.ogg", dir / L"theme.ogg");
    ASSERT_TRUE(other);
    EXPECT_NE(other.get(), first.get());
    EXPECT_NE(other->bytes(), first->bytes());
    EXPECT_EQ(cache.size(), 2u);

    first.reset();
    second.reset();
    other.reset();
    cache.releaseAll();
    EXPECT_EQ(cache.size(), 0u);
    EXPECT_TRUE(canOpenForWriting(dir / L"theme.ogg"));
}

TEST(MappedFileCache, LeavesNoEntryAndNoHandleWhenAFileCannotBeMapped) {
    TempDir dir;
    writeFile(dir / L"empty.bin", "");
    writeFile(dir / L"locked.bin", "locked bytes");
    MappedFileCache cache;

    EXPECT_FALSE(cache.mappedView(L"missing.bin", dir / L"missing.bin"));
    EXPECT_FALSE(cache.mappedView(L"empty.bin", dir / L"empty.bin"));
    EXPECT_FALSE(cache.mappedView(L"folder", dir.path()));
    {
        ScopedHandle holder(CreateFileW((dir / L"locked.bin").c_str(), GENERIC_READ, 0, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(holder.valid());
        EXPECT_FALSE(cache.mappedView(L"locked.bin", dir / L"locked.bin"));
    }
    EXPECT_EQ(cache.size(), 0u);
    // Nothing stayed open: the files can be opened exclusively.
    for (const wchar_t* name : {L"empty.bin", L"locked.bin"}) {
        ScopedHandle exclusive(CreateFileW((dir / name).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        EXPECT_TRUE(exclusive.valid()) << testing::narrow(name);
    }
    // Once the lock is gone the next request maps it.
    auto mapped = cache.mappedView(L"locked.bin", dir / L"locked.bin");
    ASSERT_TRUE(mapped);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(mapped->bytes()), mapped->size),
              "locked bytes");
}

// Wine deletes a file while a view of it is mapped, where Windows refuses; the cache also keeps
// the file open without delete sharing, which makes both refuse, so a cached file stays put.
TEST(MappedFileCache, ACachedFileCannotBeDeleted) {
    TempDir dir;
    writeFile(dir / L"cached.bin", "cached bytes");
    MappedFileCache cache;
    auto mapped = cache.mappedView(L"cached.bin", dir / L"cached.bin");
    ASSERT_TRUE(mapped);
    EXPECT_FALSE(DeleteFileW((dir / L"cached.bin").c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(mapped->bytes()), mapped->size),
              "cached bytes");
}

TEST(ViewSliceStream, KeepsItsViewAfterTheCacheIsReleased) {
    TempDir dir;
    const std::string content = testing::offsetPattern(300000);
    writeFile(dir / L"clip.webm", content);
    MappedFileCache cache;
    ComRef<IStream> stream =
        makeViewSliceStream(cache.mappedView(L"clip.webm", dir / L"clip.webm"), 1000, 250000);
    ASSERT_TRUE(stream);
    cache.releaseAll();
    EXPECT_EQ(cache.size(), 0u);
    EXPECT_FALSE(canOpenForWriting(dir / L"clip.webm"));  // still mapped for the stream
    EXPECT_EQ(readToEnd(stream.get()), content.substr(1000, 250000));
    stream.reset();
    EXPECT_TRUE(canOpenForWriting(dir / L"clip.webm"));  // unmapped and closed with the stream
}

class ViewSliceStreamTest : public ::testing::Test {
  protected:
    void SetUp() override {
        content_ = testing::offsetPattern(10000);
        writeFile(dir_ / L"data.bin", content_);
        file_ = cache_.mappedView(L"data.bin", dir_ / L"data.bin");
        ASSERT_TRUE(file_);
    }

    TempDir dir_;
    std::string content_;
    MappedFileCache cache_;
    std::shared_ptr<const MappedFile> file_;
};

TEST_F(ViewSliceStreamTest, ReadsExactlyTheSliceAndReportsItsEnd) {
    ComRef<IStream> stream = makeViewSliceStream(file_, 100, 1000);
    ASSERT_TRUE(stream);
    char buffer[700];
    ULONG got = 0;
    EXPECT_EQ(stream->Read(buffer, 600, &got), S_OK);
    EXPECT_EQ(got, 600u);
    EXPECT_EQ(std::string(buffer, got), content_.substr(100, 600));
    EXPECT_EQ(stream->Read(buffer, 700, &got), S_FALSE);
    EXPECT_EQ(got, 400u);
    EXPECT_EQ(std::string(buffer, got), content_.substr(700, 400));
    EXPECT_EQ(stream->Read(buffer, 700, &got), S_FALSE);
    EXPECT_EQ(got, 0u);
    EXPECT_EQ(stream->Read(buffer, 0, nullptr), S_OK);
    EXPECT_EQ(stream->Read(nullptr, 1, &got), STG_E_INVALIDPOINTER);

    STATSTG stat{};
    EXPECT_EQ(stream->Stat(&stat, STATFLAG_NONAME), S_OK);
    EXPECT_EQ(stat.type, static_cast<DWORD>(STGTY_STREAM));
    EXPECT_EQ(stat.cbSize.QuadPart, 1000u);
    EXPECT_EQ(stat.pwcsName, nullptr);
    EXPECT_EQ(stream->Stat(&stat, STATFLAG_DEFAULT), S_OK);
    EXPECT_EQ(stat.cbSize.QuadPart, 1000u);

    ULONG written = 5;
    EXPECT_EQ(stream->Write("x", 1, &written), STG_E_ACCESSDENIED);
    EXPECT_EQ(written, 0u);
    EXPECT_EQ(stream->SetSize(ULARGE_INTEGER{}), STG_E_ACCESSDENIED);
}

TEST_F(ViewSliceStreamTest, SeeksFromEachOriginAndRefusesPositionsBeforeTheStart) {
    ComRef<IStream> stream = makeViewSliceStream(file_, 5000, 5000);
    ASSERT_TRUE(stream);
    struct Case {
        int64_t move;
        DWORD origin;
        HRESULT result;
        uint64_t position;
    } cases[] = {
        {10, STREAM_SEEK_SET, S_OK, 10},
        {5, STREAM_SEEK_CUR, S_OK, 15},
        {-15, STREAM_SEEK_CUR, S_OK, 0},
        {-1, STREAM_SEEK_CUR, STG_E_INVALIDFUNCTION, 0},
        {-10, STREAM_SEEK_END, S_OK, 4990},
        {0, STREAM_SEEK_END, S_OK, 5000},
        {-5001, STREAM_SEEK_END, STG_E_INVALIDFUNCTION, 5000},
        {-1, STREAM_SEEK_SET, STG_E_INVALIDFUNCTION, 5000},
        {7000, STREAM_SEEK_SET, S_OK, 7000},
        {3, 7, STG_E_INVALIDFUNCTION, 7000},
        {INT64_MAX, STREAM_SEEK_CUR, STG_E_INVALIDFUNCTION, 7000},
        {4990, STREAM_SEEK_SET, S_OK, 4990},
    };
    for (const Case& c : cases) {
        LARGE_INTEGER move;
        move.QuadPart = c.move;
        ULARGE_INTEGER position{};
        EXPECT_EQ(stream->Seek(move, c.origin, &position), c.result) << c.move << " " << c.origin;
        ULARGE_INTEGER now{};
        stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_CUR, &now);
        EXPECT_EQ(now.QuadPart, c.position) << c.move << " " << c.origin;
    }
    EXPECT_EQ(readToEnd(stream.get()), content_.substr(9990, 10));

    // Past the end a read gives nothing.
    LARGE_INTEGER beyond;
    beyond.QuadPart = 6000;
    ASSERT_EQ(stream->Seek(beyond, STREAM_SEEK_SET, nullptr), S_OK);
    char byte;
    ULONG got = 9;
    EXPECT_EQ(stream->Read(&byte, 1, &got), S_FALSE);
    EXPECT_EQ(got, 0u);
}

TEST_F(ViewSliceStreamTest, ClonesWithTheirOwnPositionAndCopiesToAnotherStream) {
    ComRef<IStream> stream = makeViewSliceStream(file_, 0, 3000);
    char buffer[100];
    ULONG got = 0;
    ASSERT_EQ(stream->Read(buffer, 100, &got), S_OK);
    ComRef<IStream> clone;
    ASSERT_EQ(stream->Clone(clone.put()), S_OK);
    EXPECT_EQ(readToEnd(clone.get()), content_.substr(100, 2900));
    EXPECT_EQ(readToEnd(stream.get()), content_.substr(100, 2900));

    ComRef<IStream> copy(SHCreateMemStream(nullptr, 0));
    ASSERT_TRUE(copy);
    stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr);
    ULARGE_INTEGER want, read, written;
    want.QuadPart = 5000;
    EXPECT_EQ(stream->CopyTo(copy.get(), want, &read, &written), S_OK);
    EXPECT_EQ(read.QuadPart, 3000u);
    EXPECT_EQ(written.QuadPart, 3000u);
    copy->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr);
    EXPECT_EQ(readToEnd(copy.get()), content_.substr(0, 3000));
}

TEST_F(ViewSliceStreamTest, RefusesASliceOutsideTheFile) {
    EXPECT_FALSE(makeViewSliceStream(file_, 0, 10001));
    EXPECT_FALSE(makeViewSliceStream(file_, 10001, 0));
    EXPECT_FALSE(makeViewSliceStream(file_, 9000, 1001));
    EXPECT_FALSE(makeViewSliceStream(file_, ~uint64_t{0}, 2));
    EXPECT_FALSE(makeViewSliceStream(nullptr, 0, 0));
    EXPECT_TRUE(makeViewSliceStream(file_, 9000, 1000));
    EXPECT_TRUE(makeViewSliceStream(file_, 10000, 0));
}

TEST_F(ViewSliceStreamTest, IsAgileAndMarshalsAsItself) {
    ComRef<IStream> stream = makeViewSliceStream(file_, 0, 10000);
    EXPECT_TRUE(stream.query<IAgileObject>(IID_IAgileObject));
    EXPECT_TRUE(stream.query<IMarshal>(IID_IMarshal));
    EXPECT_TRUE(stream.query<ISequentialStream>(IID_ISequentialStream));
    IUnknown* none = reinterpret_cast<IUnknown*>(1);
    EXPECT_EQ(stream->QueryInterface(IID_IPersistStream, reinterpret_cast<void**>(&none)),
              E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);

    // Handed from a single-threaded apartment to a multithreaded one, the other thread gets the
    // object itself, not a proxy.
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    IStream* carrier = nullptr;
    ASSERT_EQ(CoMarshalInterThreadInterfaceInStream(IID_IStream, stream.get(), &carrier), S_OK);
    IStream* received = nullptr;
    std::string bytes;
    std::thread reader([&] {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        if (SUCCEEDED(CoGetInterfaceAndReleaseStream(carrier, IID_IStream,
                                                     reinterpret_cast<void**>(&received)))) {
            bytes = readToEnd(received);
            received->Release();
        }
        CoUninitialize();
    });
    reader.join();
    EXPECT_EQ(received, stream.get());
    EXPECT_EQ(bytes, content_);
    CoUninitialize();
}

TEST_F(ViewSliceStreamTest, ConcurrentReadersEachGetDistinctBytesAndTogetherAll) {
    // Each 4-byte word of the file holds its own index.
    const size_t words = 1 << 18;
    std::string indexed(words * 4, '\0');
    for (uint32_t i = 0; i < words; ++i)
        std::memcpy(&indexed[i * 4], &i, 4);
    writeFile(dir_ / L"words.bin", indexed);
    ComRef<IStream> stream =
        makeViewSliceStream(cache_.mappedView(L"words.bin", dir_ / L"words.bin"), 0, words * 4);
    ASSERT_TRUE(stream);

    std::vector<std::vector<uint32_t>> seen(4);
    std::vector<std::thread> readers;
    for (size_t t = 0; t < seen.size(); ++t) {
        readers.emplace_back([&, t] {
            uint32_t chunk[64];
            ULONG got = 0;
            while (SUCCEEDED(stream->Read(chunk, sizeof chunk, &got)) && got > 0) {
                seen[t].insert(seen[t].end(), chunk, chunk + got / 4);
            }
        });
    }
    for (std::thread& reader : readers)
        reader.join();
    std::vector<uint32_t> all;
    for (const auto& part : seen)
        all.insert(all.end(), part.begin(), part.end());
    ASSERT_EQ(all.size(), words);
    std::sort(all.begin(), all.end());
    for (uint32_t i = 0; i < words; ++i)
        ASSERT_EQ(all[i], i);
}

}  // namespace
}  // namespace quorvane
