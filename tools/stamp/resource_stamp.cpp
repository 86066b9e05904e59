#include "tools/stamp/resource_stamp.h"

#include <imagehlp.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <stdexcept>

#include "platform/scoped_handle.h"

namespace quorvane::stamp {

namespace {

[[noreturn]] void failWithLastError(const std::string& what) {
    throw std::runtime_error(what + " (error " + std::to_string(GetLastError()) + ")");
}

// A resource's type or name: a string or an integer id.
struct ResourceId {
    std::wstring text;  // empty for an integer id
    WORD id = 0;

    static ResourceId of(LPCWSTR pointer) {
        ResourceId result;
        if (IS_INTRESOURCE(pointer))
            result.id = static_cast<WORD>(reinterpret_cast<ULONG_PTR>(pointer));
        else
            result.text = pointer;
        return result;
    }
    LPCWSTR pointer() const { return text.empty() ? MAKEINTRESOURCEW(id) : text.c_str(); }
    bool operator==(const ResourceId& other) const { return text == other.text && id == other.id; }
};

// One resource with its bytes, as read from the executable.
struct Resource {
    ResourceId type;
    ResourceId name;
    WORD language = 0;
    std::string data;
};

// Every resource of the module, in the module's order of types, names and languages.
std::vector<Resource> readAll(HMODULE module) {
    std::vector<ResourceId> types;
    EnumResourceTypesW(
        module,
        [](HMODULE, LPWSTR type, LONG_PTR context) -> BOOL {
            reinterpret_cast<std::vector<ResourceId>*>(context)->push_back(ResourceId::of(type));
            return TRUE;
        },
        reinterpret_cast<LONG_PTR>(&types));
    std::vector<Resource> all;
    for (const ResourceId& type : types) {
        std::vector<ResourceId> names;
        EnumResourceNamesW(
            module, type.pointer(),
            [](HMODULE, LPCWSTR, LPWSTR name, LONG_PTR context) -> BOOL {
                reinterpret_cast<std::vector<ResourceId>*>(context)->push_back(
                    ResourceId::of(name));
                return TRUE;
            },
            reinterpret_cast<LONG_PTR>(&names));
        for (const ResourceId& name : names) {
            std::vector<WORD> languages;
            EnumResourceLanguagesW(
                module, type.pointer(), name.pointer(),
                [](HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR context) -> BOOL {
                    reinterpret_cast<std::vector<WORD>*>(context)->push_back(language);
                    return TRUE;
                },
                reinterpret_cast<LONG_PTR>(&languages));
            for (WORD language : languages) {
                HRSRC found = FindResourceExW(module, type.pointer(), name.pointer(), language);
                const DWORD size = found != nullptr ? SizeofResource(module, found) : 0;
                const void* bytes =
                    found != nullptr ? LockResource(LoadResource(module, found)) : nullptr;
                if (bytes == nullptr && size > 0)
                    failWithLastError("cannot read a resource of the executable");
                all.push_back(
                    {type, name, language, std::string(static_cast<const char*>(bytes), size)});
            }
        }
    }
    return all;
}

bool isType(const Resource& resource, LPCWSTR type) {
    return resource.type == ResourceId::of(type);
}

// The RT_ICON ids an icon group names.
std::vector<WORD> iconIdsOfGroup(const std::string& group) {
    std::vector<WORD> ids;
    if (group.size() < 6)
        return ids;
    WORD count = 0;
    std::memcpy(&count, group.data() + 4, sizeof count);
    for (size_t i = 0; i < count && 6 + 14 * (i + 1) <= group.size(); ++i) {
        WORD id = 0;
        std::memcpy(&id, group.data() + 6 + 14 * i + 12, sizeof id);
        ids.push_back(id);
    }
    return ids;
}

std::vector<Resource> readResources(const std::wstring& path) {
    HMODULE module = LoadLibraryExW(path.c_str(), nullptr,
                                    LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (module == nullptr)
        failWithLastError("cannot read the resources of the executable");
    std::vector<Resource> all = readAll(module);
    // The update cannot begin while the file is loaded (Wine then fails with error 0).
    FreeLibrary(module);
    return all;
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
        failWithLastError("cannot open the executable");
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
        failWithLastError("cannot compute the executable's checksum");
    ScopedHandle file(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        failWithLastError("cannot open the executable to write its checksum");
    IMAGE_FILE_HEADER header = {};
    const LONG optional = checkedHeaders(file.get(), header);
    const LONG at = optional + static_cast<LONG>(offsetof(IMAGE_OPTIONAL_HEADER64, CheckSum));
    DWORD written = 0;
    if (SetFilePointer(file.get(), at, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER ||
        !WriteFile(file.get(), &computed, sizeof computed, &written, nullptr) ||
        written != sizeof computed) {
        failWithLastError("cannot write the executable's checksum");
    }
}

// A resource update that starts from no resources at all and ends without writing anything
// unless committed. Starting empty and writing back what stays is the one way that works
// everywhere: Wine's UpdateResourceW with no data leaves the resource in place, so deleting the
// shell's surplus icon images one by one would keep them in the app's executable.
class ResourceUpdate {
  public:
    explicit ResourceUpdate(const std::wstring& path)
        : handle_(BeginUpdateResourceW(path.c_str(), TRUE)) {
        if (handle_ == nullptr)
            failWithLastError("cannot begin updating the executable's resources");
    }
    ~ResourceUpdate() {
        if (handle_ != nullptr)
            EndUpdateResourceW(handle_, TRUE);
    }
    ResourceUpdate(const ResourceUpdate&) = delete;
    ResourceUpdate& operator=(const ResourceUpdate&) = delete;

    void put(LPCWSTR type, LPCWSTR name, WORD language, const void* data, size_t size) {
        if (!UpdateResourceW(handle_, type, const_cast<LPWSTR>(name), language,
                             const_cast<void*>(data), static_cast<DWORD>(size))) {
            failWithLastError("cannot update the executable's resources");
        }
    }
    void put(const Resource& resource) {
        put(resource.type.pointer(), resource.name.pointer(), resource.language,
            resource.data.data(), resource.data.size());
    }
    void commit() {
        HANDLE handle = std::exchange(handle_, nullptr);
        if (!EndUpdateResourceW(handle, FALSE))
            failWithLastError("cannot write the executable's resources");
    }

  private:
    HANDLE handle_;
};

// The group directory for |icons|, whose images get the ids in |ids|.
std::string groupDirectory(const std::vector<IconImage>& icons, const std::vector<WORD>& ids) {
    GroupIconDir dir = {0, 1, static_cast<WORD>(icons.size())};
    std::string directory(reinterpret_cast<const char*>(&dir), sizeof dir);
    for (size_t i = 0; i < icons.size(); ++i) {
        const IconImage& image = icons[i];
        GroupIconEntry entry = {};
        entry.width = static_cast<BYTE>(image.width >= 256 ? 0 : image.width);
        entry.height = static_cast<BYTE>(image.height >= 256 ? 0 : image.height);
        entry.colorCount = image.colorCount;
        entry.planes = image.planes;
        entry.bitCount = image.bitCount;
        entry.bytesInResource = static_cast<DWORD>(image.data.size());
        entry.id = ids[i];
        directory.append(reinterpret_cast<const char*>(&entry), sizeof entry);
    }
    return directory;
}

}  // namespace

void stampExecutable(const std::wstring& path, const std::vector<IconImage>& icons,
                     const std::vector<BYTE>& version) {
    checkStripped(path);
    const std::vector<Resource> current = readResources(path);

    // The main group is the first one, the one Explorer shows; it keeps its name and language,
    // since the shell loads its icon by that name.
    const Resource* mainGroup = nullptr;
    std::set<WORD> replaced, shared;
    for (const Resource& resource : current) {
        if (!isType(resource, RT_GROUP_ICON))
            continue;
        const bool main = mainGroup == nullptr;
        if (main)
            mainGroup = &resource;
        for (WORD id : iconIdsOfGroup(resource.data))
            (main && !icons.empty() ? replaced : shared).insert(id);
    }
    const bool replacing = !icons.empty();
    auto dropped = [&](const Resource& resource) {
        if (isType(resource, RT_VERSION))
            return true;
        if (!replacing)
            return false;
        if (&resource == mainGroup)
            return true;
        return isType(resource, RT_ICON) && resource.name.text.empty() &&
               replaced.count(resource.name.id) != 0 && shared.count(resource.name.id) == 0;
    };

    ResourceUpdate update(path);
    std::set<WORD> iconIdsKept;
    for (const Resource& resource : current) {
        if (dropped(resource))
            continue;
        update.put(resource);
        if (isType(resource, RT_ICON) && resource.name.text.empty())
            iconIdsKept.insert(resource.name.id);
    }
    if (replacing) {
        const ResourceId groupName = mainGroup ? mainGroup->name : ResourceId{L"MAINICON"};
        const WORD language =
            mainGroup ? mainGroup->language : MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL);
        std::vector<WORD> ids;
        WORD id = 0;
        for (const IconImage& image : icons) {
            do
                ++id;
            while (iconIdsKept.count(id) != 0);
            ids.push_back(id);
            update.put(RT_ICON, MAKEINTRESOURCEW(id), language, image.data.data(),
                       image.data.size());
        }
        const std::string directory = groupDirectory(icons, ids);
        update.put(RT_GROUP_ICON, groupName.pointer(), language, directory.data(),
                   directory.size());
    }
    update.put(RT_VERSION, MAKEINTRESOURCEW(VS_VERSION_INFO),
               MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), version.data(), version.size());
    update.commit();
    updateChecksum(path);
}

}  // namespace quorvane::stamp
