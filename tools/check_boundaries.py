#!/usr/bin/env python3
"""The layer gate: fails when an include points up the layers, headers include
each other in a circle, a Qt header appears outside the Qt back end, or
windows.h (or another header of the Win32 API) outside the Win32 back end.

Layers, lowest first (docs/ARCHITECTURE.md):
    data <- platform <- resources <- render <- analysis <- shell <- viewer, labelling <- apps
    data <- extract <- apps
    data <- import <- viewer, apps
A file may include headers of its own folder and of the folders below it. Qt
headers (<Q...>, <Qt...>) may appear only under platform/qt/, and in bench/,
whose baselines draw with Qt directly. windows.h and the Win32 API headers may
appear only under platform/win32/ (and in bench/, whose baselines call GDI
directly), in import/xml_stream_xmllite.cpp, the importer's use of the
system's XML reader, and in data/os_files_win32.cpp, whose file view maps files
with the system's calls; everything else reaches the system through the platform
layer or the standard library.

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
    # What the viewer measures in a scene: reads the scene and draws through render/.
    "analysis": {"render", "platform", "data"},
    "shell": {"analysis", "render", "resources", "platform", "data"},
    "viewer": {"shell", "analysis", "import", "render", "resources", "platform", "data"},
    "labelling": {"shell", "analysis", "render", "resources", "platform", "data"},
    "extract": {"data"},
    "import": {"data"},
    "apps": {"viewer", "labelling", "shell", "analysis", "render", "resources", "platform", "data", "extract",
             "import"},
}
# Folders whose files are looked at for Qt headers only.
OTHER = ("tests", "fuzz")
QT_ALLOWED = ("platform/qt/", "bench/")
# The importer's XML reader on Windows is the system's own (XmlLite), in one file;
# the loaders' file view maps files with the system's calls, in one file.
WIN32_ALLOWED = ("platform/win32/", "bench/", "import/xml_stream_xmllite.cpp",
                 "data/os_files_win32.cpp")
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


def include_circles(root):
    """Circles of project headers including each other (a.h -> b.h -> a.h)."""
    graph = {}
    for top in ALLOWED:
        for folder, _, files in os.walk(os.path.join(root, top)):
            for name in sorted(files):
                if not name.endswith((".h", ".hpp")):
                    continue
                path = os.path.join(folder, name)
                rel = os.path.relpath(path, root).replace(os.sep, "/")
                with open(path, encoding="utf-8", errors="replace") as f:
                    graph[rel] = [m.group(1) for m in map(PROJECT_INCLUDE.match, f) if m]
    out, state = [], {}  # state: 1 on the current path, 2 done

    def visit(node, path):
        state[node] = 1
        for nxt in graph.get(node, []):
            if nxt not in graph:
                continue
            if state.get(nxt) == 1:
                circle = path[path.index(nxt):] + [nxt]
                out.append(f"{node}: include circle: {' -> '.join(circle)}")
            elif state.get(nxt) is None:
                visit(nxt, path + [nxt])
        state[node] = 2

    for node in sorted(graph):
        if node not in state:
            visit(node, [node])
    return out


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..")
    found = list(faults(os.path.abspath(root))) + include_circles(os.path.abspath(root))
    for line in found:
        print(line)
    if found:
        print(f"layer gate: {len(found)} include(s) break the layers (see docs/ARCHITECTURE.md)")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
