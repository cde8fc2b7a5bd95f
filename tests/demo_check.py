#!/usr/bin/env python3
"""The README's first command, as a new user runs it: scripts/demo.sh with
--screenshot FILE, then with --screenshots DIR, on a finished build and in a
throwaway folder. Each run must end with exit code 0, and each picture must
show the window it is named after: an active title bar of Wine's colour, as
wide as that window, over a window as tall as it, on the demo's desktop.

    demo_check.py REPOSITORY BUILD_FOLDER
Prints what it found and exits 1 when something is wrong."""
import os
import pathlib
import subprocess
import sys
import tempfile

DESKTOP = (37, 111, 149)         # Wine's desktop background
ACTIVE_CAPTION = (50, 150, 250)  # Wine's active title bar
# The outer size of each window in pixels at 96 dpi, as Wine draws its frame.
WINDOWS = {
    "main.png": ("the main window", 169, 371),
    "cookie-manager.png": ("the Cookie Manager", 460, 340),
    "about.png": ("the About window", 279, 214),
    "proxy-test.png": ("the Proxy Test", 408, 332),
    "browser-cookies.png": ("Browser Cookies", 456, 383),
}
TOLERANCE = 4  # pixels: a font's rounding
BORDER = 3     # Wine's frame around the title bar


def pixels(path):
    size = subprocess.run(["identify", "-format", "%w %h", str(path)], capture_output=True,
                          text=True, check=True).stdout.split()
    width, height = int(size[0]), int(size[1])
    raw = subprocess.run(["convert", str(path), "-depth", "8", "rgb:-"], capture_output=True,
                         check=True).stdout
    return width, height, lambda x, y: tuple(raw[(y * width + x) * 3:(y * width + x) * 3 + 3])


def active_window(path):
    """(width, height) of the window under the active title bar, or a problem."""
    width, height, at = pixels(path)
    if at(0, 0) != DESKTOP:
        return f"no demo desktop (corner colour {at(0, 0)})"
    for y in range(height):
        run_start, best = None, (0, 0)
        for x in range(width + 1):
            if x < width and at(x, y) == ACTIVE_CAPTION:
                run_start = x if run_start is None else run_start
            elif run_start is not None:
                best = max(best, (x - run_start, run_start))
                run_start = None
        if best[0] >= 60:
            length, left = best
            bottom = y
            while bottom + 1 < height and at(left + 1, bottom + 1) != DESKTOP:
                bottom += 1
            return length + 2 * BORDER, bottom - y + 1 + BORDER
    return "no active title bar"


def check(path, problems):
    name, want_width, want_height = WINDOWS[path.name]
    if not path.is_file():
        problems.append(f"{path}: missing")
        return
    found = active_window(path)
    if isinstance(found, str):
        problems.append(f"{path}: {found}, not {name}")
        return
    width, height = found
    print(f"{path.name}: a window of {width} x {height} under the active title bar")
    if abs(width - want_width) > TOLERANCE or abs(height - want_height) > TOLERANCE:
        problems.append(f"{path}: a window of {width} x {height}, not {name} "
                        f"({want_width} x {want_height})")


def run_demo(repository, build, demo, *arguments):
    env = dict(os.environ, MASKFOLD_DEMO_DIR=str(demo), MASKFOLD_BIN=str(build))
    env.pop("DISPLAY", None)
    result = subprocess.run(["bash", str(repository / "scripts" / "demo.sh"), *arguments],
                            cwd=repository, env=env, capture_output=True, text=True,
                            timeout=600)
    print(result.stdout, end="")
    print(result.stderr, end="", file=sys.stderr)
    return result.returncode


def main(repository, build):
    problems = []
    with tempfile.TemporaryDirectory(prefix="maskfold-demo-") as folder:
        folder = pathlib.Path(folder)
        demo = folder / "demo"
        one = folder / "main.png"
        if (code := run_demo(repository, build, demo, "--screenshot", str(one))) != 0:
            problems.append(f"demo.sh --screenshot ended with exit code {code}")
        check(one, problems)
        shots = folder / "shots"
        if (code := run_demo(repository, build, demo, "--screenshots", str(shots))) != 0:
            problems.append(f"demo.sh --screenshots ended with exit code {code}")
        for name in WINDOWS:
            check(shots / name, problems)
    for problem in problems:
        print(problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(pathlib.Path(sys.argv[1]).resolve(), pathlib.Path(sys.argv[2]).resolve()))
