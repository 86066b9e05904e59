#!/usr/bin/env python3
"""Fails when a product source includes a header from a folder that is not below its own.

The product's folders are layers, from the ground up; a folder may include its own headers and
those of folders on lower lines only (never a same-line sibling). Tools that are not shipped may
include any product folder but app/, which is the top. Usage: check-layers.py SOURCE_ROOT
"""
import pathlib
import re
import sys

LAYERS = [
    ["platform", "webview2"],
    ["manifest", "content", "window", "steam"],
    ["messaging", "installer"],
    ["browser"],
    ["app"],
]
LEVEL = {folder: level for level, folders in enumerate(LAYERS) for folder in folders}
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"/]+)/')
SOURCES = {".c", ".cpp", ".h", ".hpp", ".rc", ".in"}


def allowed(folder, target):
    if target not in LEVEL:
        return True  # a system or test header, not a product folder
    if folder == "tools":
        return target != "app"
    return target == folder or LEVEL[target] < LEVEL[folder]


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".").resolve()
    faults = []
    for folder in list(LEVEL) + ["tools"]:
        for path in sorted((root / folder).rglob("*")):
            if path.suffix not in SOURCES or not path.is_file():
                continue
            text = path.read_text(encoding="utf-8", errors="replace")
            for number, line in enumerate(text.splitlines(), 1):
                match = INCLUDE.match(line)
                if match and not allowed(folder, match.group(1)):
                    faults.append(f"{path.relative_to(root)}:{number}: {folder}/ may not include "
                                  f"{match.group(1)}/ ({line.strip()})")
    for fault in faults:
        print(fault)
    if faults:
        print(f"{len(faults)} include(s) break the layering")
        return 1
    print("layering: every include points to the same or a lower folder")
    return 0


if __name__ == "__main__":
    sys.exit(main())
