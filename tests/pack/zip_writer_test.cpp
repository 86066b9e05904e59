// The zip writer's records, read back field by field: UTF-8 names, times, stored data where
// deflating does not pay, and ZIP64 end records exactly from 65535 entries on. (Whole packages are
// read back by Python's zip reader in the packaging tests.)
#include <windows.h>

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/files.h"
#include "tests/support/temp_dir.h"
#include "tools/pack/zip_writer.h"

namespace quorvane::pack {
namespace {

using testing::TempDir;

uint64_t le(const std::string& bytes, size_t at, int size) {
    uint64_t value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(bytes.at(at + i));
    return value;
}

struct CentralEntry {
    std::string name;
    uint64_t flags, method, time, date, crc, compressed, size, attributes, offset;
    std::string extra;
};

struct Directory {
    uint64_t endCount = 0;  // as the classic end record says
    bool zip64 = false;
    uint64_t count = 0;
    std::vector<CentralEntry> entries;
};

Directory readDirectory(const std::string& zip) {
    Directory directory;
    const size_t end = zip.size() - 22;
    EXPECT_EQ(le(zip, end, 4), 0x06054b50u);
    directory.endCount = le(zip, end + 10, 2);
    uint64_t start = le(zip, end + 16, 4);
    directory.count = directory.endCount;
    if (le(zip, end - 20, 4) == 0x07064b50) {
        directory.zip64 = true;
        const size_t record = le(zip, end - 20 + 8, 8);
        EXPECT_EQ(le(zip, record, 4), 0x06064b50u);
        directory.count = le(zip, record + 32, 8);
        start = le(zip, record + 48, 8);
    }
    size_t at = start;
    for (uint64_t i = 0; i < directory.count; ++i) {
        EXPECT_EQ(le(zip, at, 4), 0x02014b50u);
        CentralEntry entry;
        entry.flags = le(zip, at + 8, 2);
        entry.method = le(zip, at + 10, 2);
        entry.time = le(zip, at + 12, 2);
        entry.date = le(zip, at + 14, 2);
        entry.crc = le(zip, at + 16, 4);
        entry.compressed = le(zip, at + 20, 4);
        entry.size = le(zip, at + 24, 4);
        const size_t nameLength = le(zip, at + 28, 2), extraLength = le(zip, at + 30, 2);
        entry.attributes = le(zip, at + 38, 4);
        entry.offset = le(zip, at + 42, 4);
        entry.name = zip.substr(at + 46, nameLength);
        entry.extra = zip.substr(at + 46 + nameLength, extraLength);
        directory.entries.push_back(entry);
        at += 46 + nameLength + extraLength;
    }
    return directory;
}

std::string inflated(const std::string& data, size_t size) {
    std::string out(size, '\0');
    z_stream z = {};
    inflateInit2(&z, -MAX_WBITS);
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(inflate(&z, Z_FINISH), Z_STREAM_END);
    inflateEnd(&z);
    return out;
}

TEST(ZipWriter, WritesNamesTimesAndDataAsZipReadersExpect) {
    TempDir temp;
    const std::string text(5000, 'a');
    std::string noise;
    for (uint32_t i = 0, x = 7; i < 5000; ++i, x = x * 1103515245 + 12345)
        noise.push_back(static_cast<char>(x >> 16));
    testing::writeFile(temp / L"text", text);
    testing::writeFile(temp / L"noise", noise);
    testing::writeFile(temp / L"empty", "");

    // 2023-11-14 22:13:20 UTC, taken as it is for SOURCE_DATE_EPOCH.
    const ZipTime time = zipTimeOfUnixSeconds(1700000000);
    EXPECT_EQ(time.dosDate, ((2023 - 1980) << 9) | (11 << 5) | 14);
    EXPECT_EQ(time.dosTime, (22 << 11) | (13 << 5) | (20 / 2));
    EXPECT_EQ(zipTimeOfUnixSeconds(0).dosDate, (0 << 9) | (1 << 5) | 1) << "before 1980: 1980";
    const std::wstring path = temp / L"out.zip";
    {
        ZipWriter zip(path);
        zip.addFolder("Game \u00E9/", time);
        zip.addFile("Game \u00E9/text \u2605.js", temp / L"text", time);
        zip.addFile("Game \u00E9/noise.ogg", temp / L"noise", time);
        zip.addFile("Game \u00E9/empty", temp / L"empty", time);
        zip.finish();
    }
    const std::string zip = testing::readFile(path);
    const Directory directory = readDirectory(zip);
    EXPECT_FALSE(directory.zip64);
    ASSERT_EQ(directory.entries.size(), 4u);
    const struct {
        const char* name;
        uint64_t method, attributes;
        const std::string* data;
    } expected[] = {
        {"Game \u00E9/", 0, FILE_ATTRIBUTE_DIRECTORY, nullptr},
        {"Game \u00E9/text \u2605.js", 8, FILE_ATTRIBUTE_ARCHIVE, &text},
        {"Game \u00E9/noise.ogg", 0, FILE_ATTRIBUTE_ARCHIVE, &noise},
        {"Game \u00E9/empty", 0, FILE_ATTRIBUTE_ARCHIVE, nullptr},
    };
    // The "UT" field: modification time only, 1700000000.
    const std::string unixTime("\x55\x54\x05\x00\x01\x00\xf1\x53\x65", 9);
    for (size_t i = 0; i < std::size(expected); ++i) {
        const CentralEntry& entry = directory.entries[i];
        const std::string data = expected[i].data ? *expected[i].data : "";
        EXPECT_EQ(entry.name, expected[i].name);
        EXPECT_EQ(entry.flags, 0x0800u) << entry.name << ": names are UTF-8";
        EXPECT_EQ(entry.method, expected[i].method) << entry.name;
        EXPECT_EQ(entry.attributes, expected[i].attributes) << entry.name;
        EXPECT_EQ(entry.time, time.dosTime);
        EXPECT_EQ(entry.date, time.dosDate);
        EXPECT_EQ(entry.extra, unixTime) << entry.name;
        EXPECT_EQ(entry.size, data.size()) << entry.name;
        EXPECT_EQ(entry.crc, crc32(0, reinterpret_cast<const Bytef*>(data.data()),
                                   static_cast<uInt>(data.size())))
            << entry.name;
        // The local header says the same, then the data follows.
        const size_t at = entry.offset;
        EXPECT_EQ(le(zip, at, 4), 0x04034b50u);
        EXPECT_EQ(le(zip, at + 14, 4), entry.crc);
        EXPECT_EQ(le(zip, at + 18, 4), entry.compressed);
        const size_t dataAt = at + 30 + le(zip, at + 26, 2) + le(zip, at + 28, 2);
        const std::string stored = zip.substr(dataAt, entry.compressed);
        EXPECT_EQ(entry.method == 8 ? inflated(stored, entry.size) : stored, data) << entry.name;
    }
    EXPECT_LT(directory.entries[1].compressed, text.size() / 10);
}

// A file's time is written in the MS-DOS form as local time, as Windows' zip folders and Info-ZIP
// write it (and read it back), and in the "UT" field as Unix seconds. The test runs in a zone
// that is not UTC (tests/pack/CMakeLists.txt sets TZ for it; Wine takes its zone from TZ).
TEST(ZipWriter, FileTimesAreLocalInTheMsDosForm) {
    TIME_ZONE_INFORMATION zone = {};
    GetTimeZoneInformation(&zone);
    ASSERT_EQ(zone.Bias, -330) << "not in the +5:30 zone: the test would not tell local from UTC";
    // 2023-11-14 22:13:20 UTC and one second later: 2023-11-15 03:43:20 and :21 in +5:30, which
    // MS-DOS keeps in two-second steps.
    for (const int64_t seconds : {1700000000LL, 1700000001LL}) {
        const ULONGLONG ticks = static_cast<ULONGLONG>(seconds) * 10000000 + 116444736000000000ULL;
        const ZipTime time =
            zipTimeOfFile({static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)});
        EXPECT_EQ(time.dosDate, ((2023 - 1980) << 9) | (11 << 5) | 15) << seconds;
        EXPECT_EQ(time.dosTime, (3 << 11) | (43 << 5) | (20 / 2)) << seconds;
        EXPECT_EQ(time.unixSeconds, seconds);
    }
    // SOURCE_DATE_EPOCH is the same everywhere: UTC.
    EXPECT_EQ(zipTimeOfUnixSeconds(1700000000).dosTime, (22 << 11) | (13 << 5) | (20 / 2));
}

// "f<i>/" (built up in steps: GCC 12 warns falsely about "f" + a temporary).
std::string folderName(int i) {
    std::string name = "f";
    name += std::to_string(i);
    name += '/';
    return name;
}

TEST(ZipWriter, WritesZip64EndRecordsFrom65535EntriesOn) {
    TempDir temp;
    for (int count : {65534, 65535}) {
        const std::wstring path = temp / (L"zip" + std::to_wstring(count));
        {
            ZipWriter zip(path);
            for (int i = 0; i < count; ++i)
                zip.addFolder(folderName(i), zipTimeOfUnixSeconds(1700000000));
            zip.finish();
        }
        const Directory directory = readDirectory(testing::readFile(path));
        EXPECT_EQ(directory.zip64, count == 65535) << count;
        EXPECT_EQ(directory.endCount, count == 65535 ? 0xFFFFu : 65534u);
        EXPECT_EQ(directory.count, static_cast<uint64_t>(count));
        EXPECT_EQ(directory.entries.back().name, folderName(count - 1));
    }
}

}  // namespace
}  // namespace quorvane::pack
