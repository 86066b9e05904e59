#include "tools/stamp/resource_stamp.h"

#include <imagehlp.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <stdexcept>

#include "platform/scoped_handle.h"

namespace quorvane::stamp {

namespace {

[[noreturn]] void fail(const std::string& what) {
    throw std::runtime_error(what + " (error " + std::to_string(GetLastError()) + ")");
}

// A resource's name (a string or an integer id) and language.
struct ResourceKey {
    std::wstring name;  // empty for an integer id
    WORD id = 0;
    WORD language = 0;

    LPCWSTR pointer() const { return name.empty() ? MAKEINTRESOURCEW(id) : name.c_str(); }
};

// Every resource of |type| in every language, in the module's order (named ones first).
std::vector<ResourceKey> listResources(HMODULE module, LPCWSTR type) {
    std::vector<ResourceKey> names;
    EnumResourceNamesW(
        module, type,
        [](HMODULE, LPCWSTR, LPWSTR name, LONG_PTR context) -> BOOL {
            ResourceKey key;
            if (IS_INTRESOURCE(name))
                key.id = static_cast<WORD>(reinterpret_cast<ULONG_PTR>(name));
            else
                key.name = name;
            reinterpret_cast<std::vector<ResourceKey>*>(context)->push_back(key);
            return TRUE;
        },
        reinterpret_cast<LONG_PTR>(&names));
    std::vector<ResourceKey> keys;
    for (const ResourceKey& name : names) {
        struct Context {
            const ResourceKey* name;
            std::vector<ResourceKey>* keys;
        } context{&name, &keys};
        EnumResourceLanguagesW(
            module, type, name.pointer(),
            [](HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR param) -> BOOL {
                auto* c = reinterpret_cast<Context*>(param);
                ResourceKey key = *c->name;
                key.language = language;
                c->keys->push_back(key);
                return TRUE;
            },
            reinterpret_cast<LONG_PTR>(&context));
    }
    return keys;
}

// The RT_ICON ids an icon group names.
std::vector<WORD> iconIdsOfGroup(HMODULE module, const ResourceKey& group) {
    std::vector<WORD> ids;
    HRSRC found = FindResourceExW(module, RT_GROUP_ICON, group.pointer(), group.language);
    const DWORD size = found != nullptr ? SizeofResource(module, found) : 0;
    const auto* bytes =
        size >= 6 ? static_cast<const BYTE*>(LockResource(LoadResource(module, found))) : nullptr;
    if (bytes == nullptr)
        return ids;
    WORD count = 0;
    std::memcpy(&count, bytes + 4, sizeof count);
    for (size_t i = 0; i < count && 6 + 14 * (i + 1) <= size; ++i) {
        WORD id = 0;
        std::memcpy(&id, bytes + 6 + 14 * i + 12, sizeof id);
        ids.push_back(id);
    }
    return ids;
}

// What the update has to know about the executable's current resources.
struct CurrentResources {
    ResourceKey mainGroup;
    std::vector<ResourceKey> iconsToDelete;
    std::set<WORD> iconIdsKept;
    std::vector<ResourceKey> versions;
};

CurrentResources readResources(const std::wstring& path) {
    HMODULE module = LoadLibraryExW(path.c_str(), nullptr,
                                    LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (module == nullptr)
        fail("cannot read the resources of the executable");
    CurrentResources current;
    const std::vector<ResourceKey> groups = listResources(module, RT_GROUP_ICON);
    current.mainGroup = groups.empty() ? ResourceKey{L"MAINICON"} : groups.front();
    std::set<WORD> replaced, shared;
    for (const ResourceKey& group : groups) {
        const bool main = group.name == current.mainGroup.name &&
                          group.id == current.mainGroup.id &&
                          group.language == current.mainGroup.language;
        for (WORD id : iconIdsOfGroup(module, group))
            (main ? replaced : shared).insert(id);
    }
    for (const ResourceKey& icon : listResources(module, RT_ICON)) {
        if (icon.name.empty() && replaced.count(icon.id) != 0 && shared.count(icon.id) == 0)
            current.iconsToDelete.push_back(icon);
        else if (icon.name.empty())
            current.iconIdsKept.insert(icon.id);
    }
    current.versions = listResources(module, RT_VERSION);
    // The update cannot begin while the file is loaded (Wine then fails with error 0).
    FreeLibrary(module);
    return current;
}

#pragma pack(push, 2)
struct GroupIconDir {
    WORD reserved;
    WORD type;
    WORD count;
};
struct GroupIconEntry {
    BYTE width;
    BYTE height;
    BYTE colorCount;
    BYTE reserved;
    WORD planes;
    WORD bitCount;
    DWORD bytesInResource;
    WORD id;
};
#pragma pack(pop)

// The offset of the optional header in a PE file, after checking it is a 64-bit one.
LONG checkedHeaders(HANDLE file, IMAGE_FILE_HEADER& header) {
    IMAGE_DOS_HEADER dos = {};
    DWORD got = 0;
    DWORD signature = 0;
    if (!ReadFile(file, &dos, sizeof dos, &got, nullptr) || got != sizeof dos ||
        dos.e_magic != IMAGE_DOS_SIGNATURE ||
        SetFilePointer(file, dos.e_lfanew, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER ||
        !ReadFile(file, &signature, sizeof signature, &got, nullptr) ||
        signature != IMAGE_NT_SIGNATURE || !ReadFile(file, &header, sizeof header, &got, nullptr) ||
        got != sizeof header || header.Machine != IMAGE_FILE_MACHINE_AMD64) {
        throw std::runtime_error("is not a 64-bit Windows executable");
    }
    return dos.e_lfanew + static_cast<LONG>(sizeof signature + sizeof header);
}

void checkStripped(const std::wstring& path) {
    ScopedHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        fail("cannot open the executable");
    IMAGE_FILE_HEADER header = {};
    checkedHeaders(file.get(), header);
    if (header.PointerToSymbolTable != 0) {
        throw std::runtime_error(
            "the executable carries a symbol table, which a resource update leaves pointing at the "
            "wrong place: stamp a stripped executable");
    }
}

// The resource update leaves the header checksum as it was; the loader ignores it for
// applications, but tools and drivers' loaders check it.
void updateChecksum(const std::wstring& path) {
    DWORD inHeader = 0, computed = 0;
    if (MapFileAndCheckSumW(path.c_str(), &inHeader, &computed) != CHECKSUM_SUCCESS)
        fail("cannot compute the executable's checksum");
    ScopedHandle file(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        fail("cannot open the executable to write its checksum");
    IMAGE_FILE_HEADER header = {};
    const LONG optional = checkedHeaders(file.get(), header);
    const LONG at = optional + static_cast<LONG>(offsetof(IMAGE_OPTIONAL_HEADER64, CheckSum));
    DWORD written = 0;
    if (SetFilePointer(file.get(), at, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER ||
        !WriteFile(file.get(), &computed, sizeof computed, &written, nullptr) ||
        written != sizeof computed) {
        fail("cannot write the executable's checksum");
    }
}

// Ends a resource update without writing anything unless committed.
class ResourceUpdate {
  public:
    explicit ResourceUpdate(const std::wstring& path)
        : handle_(BeginUpdateResourceW(path.c_str(), FALSE)) {
        if (handle_ == nullptr)
            fail("cannot begin updating the executable's resources");
    }
    ~ResourceUpdate() {
        if (handle_ != nullptr)
            EndUpdateResourceW(handle_, TRUE);
    }
    ResourceUpdate(const ResourceUpdate&) = delete;
    ResourceUpdate& operator=(const ResourceUpdate&) = delete;

    // Deleting needs the exact name and language: otherwise the old resource stays beside the
    // new one.
    void remove(LPCWSTR type, const ResourceKey& key) {
        put(type, key.pointer(), key.language, nullptr, 0);
    }
    void put(LPCWSTR type, LPCWSTR name, WORD language, const void* data, size_t size) {
        if (!UpdateResourceW(handle_, type, const_cast<LPWSTR>(name), language,
                             const_cast<void*>(data), static_cast<DWORD>(size))) {
            fail("cannot update the executable's resources");
        }
    }
    void commit() {
        HANDLE handle = std::exchange(handle_, nullptr);
        if (!EndUpdateResourceW(handle, FALSE))
            fail("cannot write the executable's resources");
    }

  private:
    HANDLE handle_;
};

}  // namespace

void stampExecutable(const std::wstring& path, const std::vector<IconImage>& icons,
                     const std::vector<BYTE>& version) {
    checkStripped(path);
    const CurrentResources current = readResources(path);
    ResourceUpdate update(path);
    if (!icons.empty()) {
        const ResourceKey& group = current.mainGroup;
        update.remove(RT_GROUP_ICON, group);
        for (const ResourceKey& icon : current.iconsToDelete)
            update.remove(RT_ICON, icon);
        GroupIconDir dir = {0, 1, static_cast<WORD>(icons.size())};
        std::string directory(reinterpret_cast<const char*>(&dir), sizeof dir);
        WORD id = 0;
        for (const IconImage& image : icons) {
            do
                ++id;
            while (current.iconIdsKept.count(id) != 0);
            update.put(RT_ICON, MAKEINTRESOURCEW(id), group.language, image.data.data(),
                       image.data.size());
            GroupIconEntry entry = {};
            entry.width = static_cast<BYTE>(image.width >= 256 ? 0 : image.width);
            entry.height = static_cast<BYTE>(image.height >= 256 ? 0 : image.height);
            entry.colorCount = image.colorCount;
            entry.planes = image.planes;
            entry.bitCount = image.bitCount;
            entry.bytesInResource = static_cast<DWORD>(image.data.size());
            entry.id = id;
            directory.append(reinterpret_cast<const char*>(&entry), sizeof entry);
        }
        update.put(RT_GROUP_ICON, group.pointer(), group.language, directory.data(),
                   directory.size());
    }
    for (const ResourceKey& old : current.versions)
        update.remove(RT_VERSION, old);
    update.put(RT_VERSION, MAKEINTRESOURCEW(VS_VERSION_INFO),
               MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), version.data(), version.size());
    update.commit();
    updateChecksum(path);
}

}  // namespace quorvane::stamp
