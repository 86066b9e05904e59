#include <windows.h>

#include <gtest/gtest.h>

#include <set>
#include <string>

// DLLs that every supported Windows version lists under KnownDLLs, so the loader takes them from
// System32 whatever lies beside the executable.
const std::set<std::string> kKnownDlls = {
    "advapi32.dll", "comdlg32.dll", "gdi32.dll",    "imm32.dll",  "kernel32.dll",
    "msvcrt.dll",   "ole32.dll",    "oleaut32.dll", "rpcrt4.dll", "shell32.dll",
    "shlwapi.dll",  "user32.dll",   "ws2_32.dll",
};

#ifndef QV_SHELL_EXE
#error "QV_SHELL_EXE must name the built shell executable"
#endif

namespace {

// Reads the resources of the built shell executable as a data file, the way Explorer does.
class Packaging : public ::testing::Test {
  protected:
    void SetUp() override {
        module_ = LoadLibraryExW(QV_SHELL_EXE, nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_NE(module_, nullptr) << "cannot load the shell executable";
    }
    void TearDown() override { FreeLibrary(module_); }

    std::string resource(const wchar_t* name, const wchar_t* type) {
        HRSRC found = FindResourceW(module_, name, type);
        if (found == nullptr)
            return {};
        HGLOBAL loaded = LoadResource(module_, found);
        auto* bytes = static_cast<const char*>(LockResource(loaded));
        return std::string(bytes, SizeofResource(module_, found));
    }

    HMODULE module_ = nullptr;
};

#pragma pack(push, 2)
struct GroupIconDir {
    WORD reserved;
    WORD type;
    WORD count;
};
struct GroupIconEntry {
    BYTE width;
    BYTE height;
    BYTE colors;
    BYTE reserved;
    WORD planes;
    WORD bitCount;
    DWORD bytes;
    WORD id;
};
#pragma pack(pop)

TEST_F(Packaging, CarriesTheIconGroupWithFiveSizes) {
    std::string group = resource(L"MAINICON", MAKEINTRESOURCEW(14) /* RT_GROUP_ICON */);
    ASSERT_GE(group.size(), sizeof(GroupIconDir));
    const auto* dir = reinterpret_cast<const GroupIconDir*>(group.data());
    EXPECT_EQ(dir->type, 1);
    ASSERT_EQ(dir->count, 5);
    ASSERT_EQ(group.size(), sizeof(GroupIconDir) + 5 * sizeof(GroupIconEntry));
    const auto* entries = reinterpret_cast<const GroupIconEntry*>(group.data() + sizeof *dir);
    std::set<int> sizes;
    for (int i = 0; i < dir->count; ++i) {
        int width = entries[i].width == 0 ? 256 : entries[i].width;
        int height = entries[i].height == 0 ? 256 : entries[i].height;
        EXPECT_EQ(width, height);
        EXPECT_EQ(entries[i].bitCount, 32);
        sizes.insert(width);
        // Each image is there, and is a PNG of the stated size.
        std::string image = resource(MAKEINTRESOURCEW(entries[i].id), MAKEINTRESOURCEW(3));
        ASSERT_EQ(image.size(), entries[i].bytes);
        ASSERT_GE(image.size(), 24u);
        EXPECT_EQ(image.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
        auto be32 = [&](size_t at) {
            auto b = reinterpret_cast<const unsigned char*>(image.data() + at);
            return (b[0] << 24) | (b[1] << 16) | (b[2] << 8) | b[3];
        };
        EXPECT_EQ(be32(16), width);
        EXPECT_EQ(be32(20), height);
    }
    EXPECT_EQ(sizes, (std::set<int>{16, 32, 64, 128, 256}));
}

TEST_F(Packaging, CarriesAnApplicationManifestForAsInvokerAndDpiAwareness) {
    std::string manifest = resource(MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24) /* RT_MANIFEST */);
    ASSERT_FALSE(manifest.empty());
    EXPECT_NE(manifest.find("<requestedExecutionLevel level=\"asInvoker\" uiAccess=\"false\"/>"),
              std::string::npos);
    EXPECT_NE(manifest.find(">true</dpiAware>"), std::string::npos);
}

// Shipped stripped (the symbols stay in the build tree): no symbol table, no debug sections.
TEST_F(Packaging, CarriesNoSymbols) {
    HMODULE image = LoadLibraryExW(QV_SHELL_EXE, nullptr, DONT_RESOLVE_DLL_REFERENCES);
    ASSERT_NE(image, nullptr);
    auto base = reinterpret_cast<const BYTE*>(image);
    auto nt = reinterpret_cast<const IMAGE_NT_HEADERS64*>(
        base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    EXPECT_EQ(nt->FileHeader.PointerToSymbolTable, 0u);
    EXPECT_EQ(nt->FileHeader.NumberOfSymbols, 0u);
    const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
    for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section) {
        std::string name(reinterpret_cast<const char*>(section->Name), 8);
        EXPECT_FALSE(name.starts_with("/") || name.starts_with(".debug")) << name;
    }
    FreeLibrary(image);
}

TEST_F(Packaging, IsAGuiProgramThatNeedsNoMingwRuntimeDlls) {
    // The optional header's subsystem, and the imports: system DLLs only.
    HMODULE image = LoadLibraryExW(QV_SHELL_EXE, nullptr, DONT_RESOLVE_DLL_REFERENCES);
    ASSERT_NE(image, nullptr);
    auto base = reinterpret_cast<const BYTE*>(image);
    auto dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    auto nt = reinterpret_cast<const IMAGE_NT_HEADERS64*>(base + dos->e_lfanew);
    EXPECT_EQ(nt->OptionalHeader.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);
    const IMAGE_DATA_DIRECTORY& importDir =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    ASSERT_NE(importDir.VirtualAddress, 0u);
    auto import = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + importDir.VirtualAddress);
    for (; import->Name != 0; ++import) {
        std::string dll = reinterpret_cast<const char*>(base + import->Name);
        for (char& c : dll)
            c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
        EXPECT_EQ(dll.find("libstdc++"), std::string::npos) << dll;
        EXPECT_EQ(dll.find("libgcc"), std::string::npos) << dll;
        EXPECT_EQ(dll.find("libwinpthread"), std::string::npos) << dll;
        EXPECT_NE(dll, "webview2loader.dll") << "the runtime loader must be found at run time";
        // Windows looks beside the executable first for any other DLL, so a planted file of that
        // name would run inside the app: everything else is loaded from System32 at run time.
        EXPECT_TRUE(kKnownDlls.contains(dll)) << dll << " is not a known DLL";
    }
    FreeLibrary(image);
}

}  // namespace
