#!/usr/bin/env python3
"""Checks the libraries maskfold.exe imports: only those that every Windows
ships and that the first window needs. WinINet, the shell and GDI+ are loaded
when first used; importing them again would slow every start, and a runtime
DLL of the compiler would stop the program on a machine without it.

    imports_check.py OBJDUMP EXE
Prints every library that breaks the rule and exits 1 when there is one."""
import subprocess
import sys

ALLOWED = {"advapi32.dll", "comctl32.dll", "gdi32.dll", "kernel32.dll", "msvcrt.dll", "ole32.dll",
           "user32.dll"}


def imported(objdump, exe):
    headers = subprocess.run([objdump, "-p", exe], check=True, capture_output=True,
                             text=True).stdout
    return [line.split("DLL Name:")[1].strip() for line in headers.splitlines()
            if "DLL Name:" in line]


def main():
    objdump, exe = sys.argv[1:3]
    names = imported(objdump, exe)
    extra = [name for name in names if name.lower() not in ALLOWED]
    for name in extra:
        print(f"{exe} imports {name}, which start-up must not load")
    if not names:
        print(f"no import table read from {exe}")
        return 1
    return 1 if extra else 0


if __name__ == "__main__":
    sys.exit(main())
