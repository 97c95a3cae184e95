#!/usr/bin/python3
"""Checks a cross-built Windows executable without running it, with the
target's own binutils: the machine type and PE format, the subsystem, the
DLLs it imports, and (for the window program) its resources, read back and
compared with the files they were built from.

    check_pe.py TRIPLE ARCH KIND EXE [RESOURCE_DIR VERSION]

TRIPLE is the binutils prefix (i686-w64-mingw32), ARCH win32 or win64, KIND
gui (calvora.exe: imports and resources checked) or console (calvora-cli.exe).
Prints one line per check; exits 1 if any fails.
"""

import os
import re
import struct
import subprocess
import sys
import tempfile

# What each architecture's executables must say about themselves.
FORMATS = {
    "win32": {"format": "pei-i386", "magic": "010b", "manifest": "x86"},
    "win64": {"format": "pei-x86-64", "magic": "020b", "manifest": "amd64"},
}

# DLLs that every Windows of the NT family has; anything else would have to
# be shipped beside the program.
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "comctl32.dll",
               "ole32.dll", "msvcrt.dll", "advapi32.dll", "shell32.dll"}

# Loaded on first use, so that start-up does not pay for them.
LOADED_LATER = {"comdlg32.dll", "winmm.dll"}

RT_ICON, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 14, 16, 24

failures = []


def check(condition, what, detail=""):
    print(("ok: " if condition else "FAILED: ") + what +
          ("" if condition or not detail else " (" + detail + ")"))
    if not condition:
        failures.append(what)


def run(*command):
    return subprocess.run(command, check=True, capture_output=True,
                          text=True).stdout


def read_res(path):
    """The records of a .res file: {(type, name): data}; ids as ints,
    names as upper-case strings."""
    data = open(path, "rb").read()
    records = {}
    pos = 0

    def ident(at):
        if struct.unpack_from("<H", data, at)[0] == 0xFFFF:
            return struct.unpack_from("<H", data, at + 2)[0], at + 4
        end = at
        while struct.unpack_from("<H", data, end)[0] != 0:
            end += 2
        return data[at:end].decode("utf-16-le").upper(), end + 2

    while pos + 8 <= len(data):
        size, header = struct.unpack_from("<II", data, pos)
        kind, at = ident(pos + 8)
        name, _ = ident(at)
        body = data[pos + header:pos + header + size]
        if size:
            records[(kind, name)] = body
        pos = (pos + header + size + 3) & ~3
    return records


def check_resources(triple, arch, exe, resource_dir, version):
    with tempfile.TemporaryDirectory() as work:
        res = os.path.join(work, "out.res")
        run(triple + "-windres", "-i", exe, "-O", "res", "-o", res)
        records = read_res(res)

    sound = open(os.path.join(resource_dir, "glass_a.wav"), "rb").read()
    check(records.get(("SOUND", "GLASS_A")) == sound,
          "sound GLASS_A of type SOUND is resources/glass_a.wav")

    # The group icons list the .ico's images; each image is the .ico's own.
    ico = open(os.path.join(resource_dir, "calvora.ico"), "rb").read()
    count = struct.unpack_from("<H", ico, 4)[0]
    images = []
    for i in range(count):
        w, h, _, _, planes, bits, size, offset = struct.unpack_from(
            "<BBBBHHII", ico, 6 + 16 * i)
        images.append(((w, h, planes, bits, size), ico[offset:offset + size]))
    for group in ("APPICON", "TBICON"):
        body = records.get((RT_GROUP_ICON, group))
        if body is None:
            check(False, "icon group " + group + " present")
            continue
        entries = []
        for i in range(struct.unpack_from("<H", body, 4)[0]):
            w, h, _, _, planes, bits, size, nid = struct.unpack_from(
                "<BBBBHHIH", body, 6 + 14 * i)
            entries.append(((w, h, planes, bits, size),
                            records.get((RT_ICON, nid))))
        check(entries == images, "icon group " + group +
              " holds the images of resources/calvora.ico",
              "%d entries" % len(entries))
    check(any(img[0][:2] == (48, 48) and img[0][3] == 32 for img in images),
          "the icon has a 48 x 48 image with 32-bit colour")

    strings = records.get((RT_VERSION, 1), b"").decode("utf-16-le", "replace")
    for key in ("FileVersion", "ProductVersion"):
        check(re.search(key + "\x00+" + re.escape(version) + "\x00", strings)
              is not None, "version record with " + key + " " + version)

    manifest = records.get((RT_MANIFEST, 1), b"").decode("utf-8", "replace")
    archs = set(re.findall(r'processorArchitecture="([^"]*)"', manifest))
    check(archs == {FORMATS[arch]["manifest"]},
          "manifest names the " + FORMATS[arch]["manifest"] + " architecture",
          "found " + ", ".join(sorted(archs)))
    check("Microsoft.Windows.Common-Controls" in manifest and
          'version="6.0.0.0"' in manifest,
          "manifest asks for the common controls 6.0")


def main():
    triple, arch, kind, exe = sys.argv[1:5]
    resource_dir = sys.argv[5] if len(sys.argv) > 5 else None
    version = sys.argv[6] if len(sys.argv) > 6 else None
    name = os.path.basename(exe)
    expected = FORMATS[arch]

    header = run(triple + "-objdump", "-f", exe)
    check("file format " + expected["format"] in header,
          name + " is " + expected["format"])
    private = run(triple + "-objdump", "-p", exe)
    magic = re.search(r"^Magic\s+(\S+)", private, re.M)
    check(magic is not None and magic.group(1) == expected["magic"],
          name + " optional header magic " + expected["magic"])
    subsystem = re.search(r"^Subsystem\s+\S+\s+\((.*)\)", private, re.M)
    want = "Windows GUI" if kind == "gui" else "Windows CUI"
    check(subsystem is not None and subsystem.group(1) == want,
          name + " subsystem " + want,
          subsystem.group(1) if subsystem else "none")

    dlls = {d.lower() for d in re.findall(r"DLL Name: (\S+)", private)}
    check("kernel32.dll" in dlls, name + " import table read")
    check(dlls <= SYSTEM_DLLS, name + " imports system DLLs only",
          ", ".join(sorted(dlls - SYSTEM_DLLS)))
    if kind == "gui":
        check(not dlls & LOADED_LATER,
              name + " does not import comdlg32 or winmm",
              ", ".join(sorted(dlls & LOADED_LATER)))
        check_resources(triple, arch, exe, resource_dir, version)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
