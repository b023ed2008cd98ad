#!/usr/bin/env python3
"""Writes the linker's default PE script with the resource section moved to
the end of the image, so that the section holding the resources is the last
one and can later be rewritten without moving any other section.

usage: rsrc_last.py LINKER OUTPUT
LINKER is the cross ld whose built-in script (ld --verbose) is the base."""

import re
import subprocess
import sys


def section_block(script, name):
    """The text of one output-section statement, from its line to the line
    with its closing brace at the statement's indentation."""
    match = re.search(r"^(  )\." + re.escape(name) + r" [^\n]*\n", script, re.M)
    if not match:
        raise SystemExit(f"no .{name} statement in the default script")
    end = script.index("\n  }\n", match.end()) + len("\n  }\n")
    return match.start(), end


def main(linker, output):
    verbose = subprocess.run([linker, "--verbose"], capture_output=True, text=True,
                             check=True).stdout
    parts = verbose.split("=" * 50)
    if len(parts) < 3:
        raise SystemExit("ld --verbose printed no script")
    script = parts[1].strip("=\n") + "\n"
    start, end = section_block(script, "rsrc")
    rsrc = script[start:end]
    script = script[:start] + script[end:]
    _, reloc_end = section_block(script, "reloc")
    script = script[:reloc_end] + rsrc + script[reloc_end:]
    with open(output, "w") as f:
        f.write(script)


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2])
