"""Writes the package's part of the installer script.

Usage: setup_script.py PACKAGE_FOLDER WORK_FOLDER

PACKAGE_FOLDER is a laid-out package (<Name>/ with <Name>.exe, package.json, www/, maybe
webview2/). Writes into WORK_FOLDER: package.nsh (the app's identity read from the stamped
executable, and the macros that install and remove exactly the package's files, used by
setup.nsi) and app.ico (the executable's icon). Prints "installer=" the installer's file name,
"<Name> Setup <version>.exe" ("<Name> Setup.exe" when the app has no version), and "name=" the
app's name. Exit codes: 1 the installer's file name would be too long, 2 a wrong command line,
3 the package cannot be read.
"""

import os
import sys

import exe_resources


# How makensis reads a quoted string: it first replaces every "${NAME}" by that define's value, in
# one pass (so a "$" before a "{" would make one: "{" is written as the define U+7B), then, in
# strings the installer uses at run time, turns "$$" into "$", and "$\`" and the like into quote
# marks and line breaks. VIAddVersionKey's strings keep "$$" as two: there "$" is the define U+24.
_QUOTES = {'"': '$\\"', "'": "$\\'", "`": "$\\`", "\n": "$\\n", "\r": "$\\r", "\t": "$\\t"}


def run_time(text):
    """|text| as a quoted string that the installer shows or uses at run time."""
    out = "".join("$$" if c == "$" else "${U+7B}" if c == "{" else _QUOTES.get(c, c) for c in text)
    return '"' + out + '"'


def version_key(text):
    """|text| as a quoted VIAddVersionKey string, written into the version resource as it is."""
    return '"' + "".join("${U+24}" if c == "$" else _QUOTES.get(c, c) for c in text) + '"'


def installed(relative):
    """The string for |relative| (a path in the package) inside the install folder."""
    return '"$INSTDIR' + (run_time("\\" + relative.replace(os.sep, "\\"))[1:-1] if relative else "") + '"'


def main(package, work):
    name = os.path.basename(os.path.normpath(package))
    executable = os.path.join(package, name + ".exe")
    try:
        resources = exe_resources.read(executable)
    except (OSError, exe_resources.NotAnExecutable) as error:
        print("%s: %s" % (executable, getattr(error, "strerror", None) or error), file=sys.stderr)
        sys.exit(3)
    fixed_version, strings = exe_resources.version_info(resources)
    icon = exe_resources.icon_file(resources)
    if icon is not None:
        with open(os.path.join(work, "app.ico"), "wb") as file:
            file.write(icon)

    folders, files, total = [""], [], 0
    for folder, subfolders, names in os.walk(package):
        subfolders.sort()
        relative = os.path.relpath(folder, package)
        relative = "" if relative == "." else relative
        if relative:
            folders.append(relative)
        for file in sorted(names):
            files.append(os.path.join(relative, file))
            total += os.path.getsize(os.path.join(folder, file))

    version = strings.get("ProductVersion", "")
    installer = "%s Setup%s.exe" % (name, " " + version if version else "")
    # Linux and NTFS both hold 255 units in a name; UTF-8 never has fewer bytes than UTF-16 units.
    if len(installer.encode("utf-8")) > 255:
        print('"%s": too long for a file name (%d UTF-8 bytes, at most 255): shorten the app\'s '
              '"name" or "version"' % (installer, len(installer.encode("utf-8"))), file=sys.stderr)
        sys.exit(1)
    app_name = strings.get("ProductName", name)
    key = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + name
    lines = [
        "; The package's part of the installer script, written by setup_script.py.",
        # The installed size in KiB is the package's plus the uninstaller's, known only at run
        # time: whole KiB here, the rest in bytes.
        "!define PACKAGE_KIB %d" % (total // 1024),
        "!define PACKAGE_REST_BYTES %d" % (total % 1024),
        # The app's texts go straight into the lines that use them, never through a define or a
        # macro's parameters, where makensis would read them again.
        "!macro Identity",
        "  Name %s %s" % (run_time(app_name), run_time(app_name.replace("&", "&&"))),
        "  BrandingText " + run_time(app_name),
        '  InstallDir "$LOCALAPPDATA\\Programs\\' + run_time(name)[1:],
        "  ; An installed version is replaced where it is, unless /D= names another folder.",
        "  InstallDirRegKey HKCU %s \"InstallLocation\"" % run_time(key),
        "!macroend",
        "!macro VersionKeys",
        '  VIProductVersion "%s"' % fixed_version,
        '  VIFileVersion "%s"' % fixed_version,
    ]
    keys = [("ProductName", app_name), ("FileDescription", app_name + " Setup"),
            ("OriginalFilename", name + " Setup.exe")]
    # Texts the app does not have are left out.
    if strings.get("ProductVersion"):
        keys += [("ProductVersion", strings["ProductVersion"]), ("FileVersion", fixed_version)]
    keys += [(k, strings[k]) for k in ("CompanyName", "LegalCopyright") if strings.get(k)]
    lines += ["  VIAddVersionKey /LANG=${LANG_ENGLISH} %s %s" % (version_key(k), version_key(v))
              for k, v in keys]
    lines += [
        "!macroend",
        "; The same texts at run time, in variables that setup.nsi declares.",
        "!macro SetNames",
        "  StrCpy $AppName " + run_time(app_name),
        "  StrCpy $FileName " + run_time(name),
        "  StrCpy $AppVersion " + run_time(strings.get("ProductVersion", "")),
        "  StrCpy $Company " + run_time(strings.get("CompanyName", "")),
        "!macroend",
    ]
    if icon is not None:
        lines.append('!define APP_ICON "app.ico"')
    # makensis reads each file through a link with a plain name (files/N): a source path is
    # taken literally, with no escapes, and "*" or "?" in it would be wildcards.
    links = os.path.join(work, "files")
    os.mkdir(links)
    lines.append("!macro InstallFiles")
    for folder in folders:
        lines.append("  CreateDirectory " + installed(folder))
    for number, file in enumerate(files):
        os.symlink(os.path.abspath(os.path.join(package, file)), os.path.join(links, str(number)))
        lines.append('  File "/oname=%s" "files/%d"' % (installed(file)[1:-1], number))
    lines.append("!macroend")
    lines.append("!macro RemoveFiles")
    for file in files:
        lines.append("  Delete " + installed(file))
    for folder in sorted(folders[1:], key=lambda f: f.count(os.sep), reverse=True):
        lines.append("  RMDir " + installed(folder))
    lines.append("!macroend")
    with open(os.path.join(work, "package.nsh"), "w", encoding="utf-8-sig", newline="\n") as file:
        file.write("\n".join(lines) + "\n")

    sys.stdout.buffer.write(("installer=%s\nname=%s\n" % (installer, strings.get("ProductName", name))).encode("utf-8"))


if __name__ == "__main__":
    if len(sys.argv) != 3:
        print("usage: setup_script.py PACKAGE_FOLDER WORK_FOLDER", file=sys.stderr)
        sys.exit(2)
    main(sys.argv[1], sys.argv[2])
