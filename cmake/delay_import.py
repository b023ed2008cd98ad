#!/usr/bin/env python3
"""Writes a delay-import library for one system DLL from its import library.

Usage: delay_import.py NM DLLTOOL MACHINE IMPORT_LIB DLL_NAME WORK_DIR OUTPUT

Every function the import library names goes into a module definition,
which dlltool turns into a library whose thunks load the DLL on the first
call (through the C run-time's __delayLoadHelper2) instead of at start.
The names alone also go into WORK_DIR/<output stem>.names, one per line,
for the tools that need to know which functions are delay-loaded.
On x86 the names keep their stdcall decoration in the library and lose it
in the import (-k), as the system's own import library does.
"""

import subprocess
import sys
from pathlib import Path


def main():
    nm, dlltool, machine, import_lib, dll, work, output = sys.argv[1:8]
    symbols = subprocess.run([nm, import_lib], capture_output=True, text=True,
                             check=True).stdout.split("\n")
    x86 = machine == "i386"
    prefix = "__imp__" if x86 else "__imp_"
    names = sorted({line.split()[-1][len(prefix):] for line in symbols
                    if " I " in line and line.split()[-1].startswith(prefix)
                    and "_iname" not in line and "head_" not in line})
    if not names:
        sys.exit(f"{import_lib}: no imports found")
    (Path(work) / (Path(output).stem + ".names")).write_text("".join(f"{n}\n" for n in names))
    definition = Path(work) / (Path(output).stem + ".def")
    definition.write_text(f"LIBRARY {dll}\nEXPORTS\n" + "".join(f"  {name}\n" for name in names))
    command = [dlltool, "-m", machine, "-d", str(definition), "-D", dll, "-y", output]
    if x86:
        command.append("-k")
    subprocess.run(command, check=True)


if __name__ == "__main__":
    main()
