#!/usr/bin/env python3
"""The layer gate: fails when an include points up the layers, a Qt header
appears outside the Qt back end, or windows.h (or another header of the Win32
API) outside the Win32 back end.

Layers, lowest first (docs/ARCHITECTURE.md):
    data <- platform <- resources <- render <- shell <- labelling <- apps
    data <- extract <- apps
A file may include headers of its own folder and of the folders below it. Qt
headers (<Q...>, <Qt...>) may appear only under platform/qt/, and in bench/,
whose baselines draw with Qt directly. windows.h and the Win32 API headers may
appear only under platform/win32/ (and in bench/, whose baselines call GDI
directly); everything else reaches the system through the platform layer or the
standard library.

    tools/check_boundaries.py [ROOT]     (ROOT: the project folder; default: this one)
Exit status 0 when every include keeps to the layers, 1 otherwise (one line per
fault: file:line: what is wrong).
"""
import os
import re
import sys

# What each product folder may include, besides itself.
ALLOWED = {
    "data": set(),
    "platform": {"data"},
    "resources": {"platform", "data"},
    "render": {"platform", "data"},
    "shell": {"render", "resources", "platform", "data"},
    "labelling": {"shell", "render", "resources", "platform", "data"},
    "extract": {"data"},
    "apps": {"labelling", "shell", "render", "resources", "platform", "data", "extract"},
}
# Folders whose files are looked at for Qt headers only.
OTHER = ("tests", "fuzz")
QT_ALLOWED = ("platform/qt/", "bench/")
WIN32_ALLOWED = ("platform/win32/", "bench/")
# Headers private to a part of the platform layer: only that part includes them.
PRIVATE = {
    "platform/detail.h": "platform/",
    "platform/qt/qt_draw.h": "platform/qt/",
    "platform/win32/win32_gdi.h": "platform/win32/",
}

PROJECT_INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')
SYSTEM_INCLUDE = re.compile(r'^\s*#\s*include\s+<([^>]+)>')
QT_HEADER = re.compile(r'^Qt?[A-Z]\w*(/|$)|^Qt\w*/')
# windows.h and the headers of the Win32 API that stand for it.
WIN32_HEADER = re.compile(r'^(windows|windef|winbase|winuser|wingdi|commdlg|commctrl|'
                          r'wincodec|mmsystem|shellapi|objbase)\.h$', re.IGNORECASE)
SOURCE = (".h", ".hpp", ".cpp", ".cc", ".inc")


def faults(root):
    out = []
    for top in list(ALLOWED) + list(OTHER) + ["bench"]:
        base = os.path.join(root, top)
        for folder, _, files in os.walk(base):
            for name in sorted(files):
                if not name.endswith(SOURCE):
                    continue
                path = os.path.join(folder, name)
                rel = os.path.relpath(path, root).replace(os.sep, "/")
                with open(path, encoding="utf-8", errors="replace") as f:
                    for number, line in enumerate(f, 1):
                        out.extend(check_line(rel, top, number, line))
    return out


def check_line(rel, top, number, line):
    m = SYSTEM_INCLUDE.match(line)
    if m and QT_HEADER.match(m.group(1)) and not rel.startswith(QT_ALLOWED):
        yield f"{rel}:{number}: Qt header <{m.group(1)}> outside platform/qt/"
    if m and WIN32_HEADER.match(m.group(1)) and not rel.startswith(WIN32_ALLOWED):
        yield f"{rel}:{number}: Win32 header <{m.group(1)}> outside platform/win32/"
    m = PROJECT_INCLUDE.match(line)
    if not m or top not in ALLOWED:
        return
    header = m.group(1)
    owner = PRIVATE.get(header)
    if owner and not rel.startswith(owner):
        yield f"{rel}:{number}: \"{header}\" is private to {owner}"
    target = header.split("/")[0]
    if "/" not in header or target == top:
        return  # a header beside it, or of its own folder
    if target not in ALLOWED[top]:
        yield (f"{rel}:{number}: {top}/ includes \"{header}\": {target}/ is not below "
               f"{top}/ in the layers")


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..")
    found = list(faults(os.path.abspath(root)))
    for line in found:
        print(line)
    if found:
        print(f"layer gate: {len(found)} include(s) break the layers (see docs/ARCHITECTURE.md)")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
