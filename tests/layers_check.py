#!/usr/bin/env python3
"""Checks the layers of src/: a file includes only its own layer or those
below it, a folder of the logic only the logic folders it is allowed to use,
no two folders include each other, and only the Windows layers include the
platform's own headers.

    layers_check.py SRC_FOLDER
Prints every breach and exits 1 when there is one."""
import itertools
import pathlib
import re
import sys

# Bottom up. A folder may include its own layer and the layers below.
# The logic sees the platform through its portable headers only: the Windows
# side lies above it, for the window layers to put together.
LOGIC = {
    # folder: the other logic folders it may include
    "registry": set(),
    "proxylist": set(),
    "cookies": set(),
    "banner": set(),
    "placement": set(),
    "pages": set(),
    "options": {"registry"},
    "proxyswitch": {"registry"},
    "proxytest": {"proxyswitch"},
    # The route check: the prober's probes of the browsers' proxies.
    "routecheck": {"proxytest"},
    # The WebRTC settings' record is the registry's.
    "browsers": {"cookies", "proxylist", "registry"},
    # The wipe of site data: the protected sites and the cookies' stores.
    "sitedata": {"browsers", "cookies"},
    "startup": {"banner", "browsers", "cookies", "sitedata"},
    # Apply: the proxy switch, the route check, the cookie stages and the
    # browsers' stores.
    "wipe": {"proxyswitch", "routecheck", "cookies", "browsers", "registry", "sitedata"},
}
LAYERS = [
    ["common"],
    ["platform"],
    sorted(LOGIC),
    ["platform/win32"],
    ["ui"],
    ["windows"],
    ["app"],
]
WINDOWS_LAYERS = {"platform/win32", "ui", "windows", "app"}
SYSTEM_HEADERS = {"windows.h", "commctrl.h", "shellapi.h", "shlobj.h", "shlwapi.h", "wininet.h",
                  "objidl.h", "gdiplus.h", "winsock2.h", "ws2tcpip.h"}
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.MULTILINE)


def folder_of(relative):
    parts = pathlib.PurePosixPath(relative).parts
    if len(parts) > 2 and "/".join(parts[:2]) == "platform/win32":
        return "platform/win32"
    return parts[0]


def main(src):
    rank = {folder: i for i, layer in enumerate(LAYERS) for folder in layer}
    breaches = []
    edges = set()
    for path in sorted(src.rglob("*")):
        if path.suffix not in {".h", ".cpp", ".rc"}:
            continue
        relative = path.relative_to(src).as_posix()
        folder = folder_of(relative)
        if folder not in rank:
            breaches.append(f"{relative}: folder {folder} belongs to no layer")
            continue
        for kind, name in INCLUDE.findall(path.read_text(encoding="utf-8")):
            if kind == "<":
                if name.lower() in SYSTEM_HEADERS and folder not in WINDOWS_LAYERS:
                    breaches.append(f"{relative}: includes <{name}> outside the Windows layers")
                continue
            target = folder_of(name)
            if target not in rank:
                continue  # a generated header (version.h) or one beside the file
            if rank[target] > rank[folder]:
                breaches.append(f"{relative}: includes {name} from the higher layer {target}")
            elif folder in LOGIC and target in LOGIC and target != folder \
                    and target not in LOGIC[folder]:
                breaches.append(f"{relative}: includes {name}, but {folder} may not use {target}")
            if target != folder:
                edges.add((folder, target))
    for a, b in itertools.combinations(sorted(rank), 2):
        if (a, b) in edges and (b, a) in edges:
            breaches.append(f"{a} and {b} include each other")
    for breach in breaches:
        print(breach)
    return 1 if breaches else 0


if __name__ == "__main__":
    sys.exit(main(pathlib.Path(sys.argv[1])))
