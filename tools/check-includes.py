#!/usr/bin/env python3
"""Checks the floor plan: every #include of the program points down.

A folder includes from its own folder and from folders on lower floors only;
folders on one floor do not include each other. The platform-free floors
include no Windows header: only the file layer's Win32 half (a name ending in
_win32.cpp) is let through. Run from anywhere; prints each wrong include and
exits 1 when there is one.
"""

import os
import re
import sys

# Lowest first.
FLOORS = [
    ["text", "codec"],          # text buffers and formatting; the frame codec and file layouts
    ["platform"],               # the file layer: one interface, a POSIX and a Win32 half
    ["animfile"],               # the animation file and the document
    ["import", "shell"],        # the series import; the main window's logic without a window
    ["win32", "resources"],     # Win32 helpers; the resource identifiers
    ["engines"],                # the three rendering engines
    ["app", "cli"],             # the program and the command line
]
PLATFORM_FREE = {"text", "codec", "platform", "animfile", "import", "shell"}
# Headers of the Windows SDK the program uses, or could be tempted to.
WINDOWS_HEADER = re.compile(
    r"^(windows|windowsx|winerror|winuser|wingdi|commctrl|commdlg|shellapi|shlobj|shlwapi|"
    r"objbase|objidl|ole2|unknwn|gdiplus|d2d1.*|dwrite.*|wincodec|wrl.*|dxgi.*|versionhelpers)\.h$",
    re.IGNORECASE)
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')


def floor_of(folder):
    for number, folders in enumerate(FLOORS):
        if folder in folders:
            return number
    return None


def main():
    top = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    faults = []
    for folder in sorted(f for floor in FLOORS for f in floor):
        here = floor_of(folder)
        path = os.path.join(top, folder)
        if not os.path.isdir(path):
            faults.append("%s/: a floor without its folder" % folder)
            continue
        for name in sorted(os.listdir(path)):
            if not name.endswith((".h", ".cpp", ".rc")):
                continue
            with open(os.path.join(path, name), encoding="utf-8") as f:
                lines = f.read().splitlines()
            for number, line in enumerate(lines, 1):
                match = INCLUDE.match(line)
                if not match:
                    continue
                where = "%s/%s:%d: %s" % (folder, name, number, match.group(2))
                if match.group(1) == "<":
                    if (folder in PLATFORM_FREE and not name.endswith("_win32.cpp")
                            and WINDOWS_HEADER.match(os.path.basename(match.group(2)))):
                        faults.append(where + " (a Windows header on a platform-free floor)")
                    continue
                target = match.group(2).split("/")[0] if "/" in match.group(2) else folder
                there = floor_of(target)
                if target == folder or there is None:
                    continue  # its own folder, or generated (version.h)
                if there >= here:
                    faults.append(where + " (%s is not below %s)" % (target, folder))
    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
