#!/usr/bin/env python3
"""Checks that every C++ file we wrote is as clang-format lays it out
(.clang-format at the top); third_party keeps its authors' layout.

    format_check.py PROJECT_FOLDER
Names every file that differs and exits 1 when there is one."""
import pathlib
import shutil
import subprocess
import sys

FOLDERS = ["src", "tests", "bench"]


def main(project):
    clang_format = shutil.which("clang-format")
    if not clang_format:
        print("clang-format is not installed (scripts/install-deps.sh installs it)")
        return 1
    files = sorted(path for folder in FOLDERS for path in (project / folder).rglob("*")
                   if path.suffix in {".h", ".cpp"} and "third_party" not in path.parts)
    differ = []
    for path in files:
        laid_out = subprocess.run([clang_format, f"--assume-filename={path}", str(path)],
                                  capture_output=True, check=True).stdout
        if laid_out != path.read_bytes():
            differ.append(path.relative_to(project).as_posix())
    for name in differ:
        print(f"{name}: not clang-formatted (clang-format -i {name})")
    return 1 if differ else 0


if __name__ == "__main__":
    sys.exit(main(pathlib.Path(sys.argv[1])))
