"""Reads an executable's icon and version information, as the packager stamped them.

The installer takes the app's identity from the stamped executable itself, so that the installer,
its uninstaller and the executable always carry the same name, version and icon.

Usage: exe_resources.py EXE  prints the version strings as NAME=VALUE lines (UTF-8) and
FixedFileVersion=a.b.c.d.
"""

import struct
import sys

RT_ICON, RT_GROUP_ICON, RT_VERSION = 3, 14, 16


class NotAnExecutable(Exception):
    pass


def _resources(data):
    """{type: {name: bytes}} of the first language of every resource; names are ints or str."""
    try:
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[:2] != b"MZ" or data[pe:pe + 4] != b"PE\0\0":
            raise NotAnExecutable("not a Windows executable")
        sections, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
        optional = pe + 24
        magic = struct.unpack_from("<H", data, optional)[0]
        directories = optional + (112 if magic == 0x20B else 96)
        root_rva = struct.unpack_from("<I", data, directories + 2 * 8)[0]
        table = optional + optional_size
        spans = []
        for i in range(sections):
            virtual_size, address, raw_size, raw_pointer = struct.unpack_from("<IIII", data, table + 40 * i + 8)
            spans.append((address, max(virtual_size, raw_size), raw_pointer))
    except struct.error:
        raise NotAnExecutable("not a Windows executable")

    def offset(rva):
        for address, size, raw_pointer in spans:
            if address <= rva < address + size:
                return raw_pointer + rva - address
        raise NotAnExecutable("resource outside every section")

    base = offset(root_rva) if root_rva else None
    if base is None:
        return {}

    def entries(directory):
        named, numbered = struct.unpack_from("<12xHH", data, base + directory)
        for i in range(named + numbered):
            name, target = struct.unpack_from("<II", data, base + directory + 16 + 8 * i)
            if name & 0x80000000:
                at = base + (name & 0x7FFFFFFF)
                length = struct.unpack_from("<H", data, at)[0]
                name = data[at + 2:at + 2 + 2 * length].decode("utf-16-le")
            yield name, target

    found = {}
    for kind, kind_target in entries(0):
        for name, name_target in entries(kind_target & 0x7FFFFFFF):
            for _, leaf in entries(name_target & 0x7FFFFFFF):
                rva, size = struct.unpack_from("<II", data, base + leaf)
                found.setdefault(kind, {})[name] = data[offset(rva):offset(rva) + size]
                break
    return found


def read(path):
    with open(path, "rb") as file:
        return _resources(file.read())


def icon_file(resources):
    """The executable's first icon group as the bytes of an .ico file, or None."""
    groups = resources.get(RT_GROUP_ICON, {})
    if not groups:
        return None
    group = next(iter(groups.values()))
    count = struct.unpack_from("<H", group, 4)[0]
    header = struct.pack("<HHH", 0, 1, count)
    directory, images = b"", b""
    at = 6 + 16 * count
    for i in range(count):
        fields = group[6 + 14 * i:6 + 14 * i + 12]
        image = resources.get(RT_ICON, {})[struct.unpack_from("<H", group, 6 + 14 * i + 12)[0]]
        directory += fields[:8] + struct.pack("<II", len(image), at + len(images))
        images += image
    return header + directory + images


def version_info(resources):
    """(fixed file version "a.b.c.d", {string name: value}) from the first version resource."""
    data = next(iter(resources.get(RT_VERSION, {}).values()), None)
    if data is None:
        return "0.0.0.0", {}

    def node(at):
        length, value_length, _ = struct.unpack_from("<HHH", data, at)
        end = data.index(b"\0\0", at + 6)
        while (end - at - 6) % 2:
            end = data.index(b"\0\0", end + 1)
        key = data[at + 6:end].decode("utf-16-le")
        value = (end + 2 + 3) & ~3
        return key, value, value_length, at + length

    strings = {}
    key, value, value_length, end = node(0)
    ms, ls = struct.unpack_from("<8xII", data, value) if value_length >= 16 else (0, 0)
    fixed = "%d.%d.%d.%d" % (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)

    def children(start, end):
        at = (start + 3) & ~3
        while at < end:
            child = node(at)
            yield child
            at = (child[3] + 3) & ~3

    for block in children(value + value_length, end):
        if block[0] != "StringFileInfo":
            continue
        for table in children(block[1], block[3]):
            for name, text, chars, _ in children(table[1], table[3]):
                strings[name] = data[text:text + 2 * chars].decode("utf-16-le").split("\0")[0]
    return fixed, strings


if __name__ == "__main__":
    fixed, strings = version_info(read(sys.argv[1]))
    out = sys.stdout.buffer
    for name, value in strings.items():
        out.write(("%s=%s\n" % (name, value)).encode("utf-8"))
    out.write(("FixedFileVersion=%s\n" % fixed).encode("utf-8"))
