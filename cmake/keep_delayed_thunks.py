#!/usr/bin/env python3
"""Runs a 32-bit link so that every delay-loaded function it calls works.

Usage: keep_delayed_thunks.py NM DELAYED_DIR -- LINK_COMMAND...

The i386 linker keeps the load thunk of a delay-import library's member only
when some input names the function itself; code compiled without link-time
optimisation names only its address slot (__imp__), and the slot then points
at address 0. This wrapper, CMake's linker launcher in the 32-bit tree, asks
nm which functions the link's own objects and archives use, and adds
-Wl,-u for each one a delay-import library in DELAYED_DIR offers (the .names
files beside them list them). The system's libraries call none of them.
"""

import os
import shlex
import subprocess
import sys
from pathlib import Path


def delayed_names(directory):
    names = set()
    for listing in Path(directory).glob("*.names"):
        names.update(listing.read_text().split())
    return names


def used_names(nm, inputs):
    if not inputs:
        return set()
    listing = subprocess.run([nm, *inputs], capture_output=True, text=True).stdout
    used = set()
    for line in listing.splitlines():
        fields = line.split()
        if len(fields) == 2 and fields[0] == "U":
            symbol = fields[1]
            if symbol.startswith("__imp_"):
                symbol = symbol[len("__imp_"):]
            used.add(symbol[1:] if symbol.startswith("_") else symbol)
    return used


def expanded(arguments):
    """The arguments with response files (@file, as CMake writes them for
    objects and libraries) replaced by what they hold."""
    for argument in arguments:
        if argument.startswith("@") and os.path.isfile(argument[1:]):
            yield from shlex.split(Path(argument[1:]).read_text())
        else:
            yield argument


def main():
    separator = sys.argv.index("--")
    nm, directory = sys.argv[1:separator]
    command = sys.argv[separator + 1:]
    inputs = [arg for arg in expanded(command[1:])
              if arg.endswith((".obj", ".o", ".a")) and os.path.isfile(arg)]
    keep = sorted(delayed_names(directory) & used_names(nm, inputs))
    os.execvp(command[0], command + [f"-Wl,-u,_{name}" for name in keep])


if __name__ == "__main__":
    main()
