#!/usr/bin/env python3
"""Usage: zip_matches_folder.py OUT_FOLDER [REPORT]

OUT_FOLDER holds a package as the packager writes it: <Name>/ and <Name>.zip. Exits 0 when the zip,
read with Python's own zip reader, holds exactly the folder (under its own name): every folder as
an entry, every file byte for byte, nothing else, each name flagged UTF-8. Otherwise prints each
difference and exits 1. With REPORT, the differences (none: an empty file) also go there, the file
appearing only once complete: a Windows test under Wine, which cannot wait for a Linux program,
waits for that file.
"""
import os
import sys
import zipfile


def differences(out):
    zips = [name for name in os.listdir(out) if name.endswith(".zip")]
    if len(zips) != 1:
        return [f"{out} holds {len(zips)} zip files"]
    folder = os.path.join(out, zips[0][:-4])
    expected = {}
    for path, folders, files in os.walk(folder):
        expected[os.path.relpath(path, out) + "/"] = None
        for name in files:
            with open(os.path.join(path, name), "rb") as file:
                expected[os.path.relpath(os.path.join(path, name), out)] = file.read()
    if not expected:
        return [f"{folder}: no such folder"]
    problems = []
    with zipfile.ZipFile(os.path.join(out, zips[0])) as archive:
        if archive.testzip() is not None:
            problems.append(f"{archive.testzip()}: bad CRC")
        seen = set()
        for info in archive.infolist():
            name = info.filename
            if name in seen:
                problems.append(f"{name}: twice")
            seen.add(name)
            if not info.flag_bits & 0x800:
                problems.append(f"{name}: not flagged UTF-8")
            if name not in expected:
                problems.append(f"{name}: not in the folder")
            elif expected[name] is None:
                if not info.is_dir():
                    problems.append(f"{name}: not a folder entry")
            elif archive.read(info) != expected[name]:
                problems.append(f"{name}: other bytes than the file")
        for name in sorted(set(expected) - seen):
            problems.append(f"{name}: missing from the zip")
    return problems


def main():
    problems = differences(sys.argv[1])
    for problem in problems:
        print(problem, file=sys.stderr)
    if len(sys.argv) > 2:
        with open(sys.argv[2] + ".part", "w", encoding="utf-8") as report:
            report.write("".join(problem + "\n" for problem in problems))
        os.replace(sys.argv[2] + ".part", sys.argv[2])
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
