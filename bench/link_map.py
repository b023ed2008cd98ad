#!/usr/bin/env python3
"""Per-archive size breakdown of a stub from the GNU ld link map.

Usage: link_map.py MAP [--members N]

Adds up the input sections the linker kept, grouped by where they came from
(our launcher and core, as compiled or as link-time optimised, zlib,
libstdc++, libgcc, winpthread, the C run-time, import thunks, resources, the
linker's own relocations) and by the kind of output section (code, read-only
data, unwind tables, ...). With --members, also lists the N largest archive
members, which is where a regression usually shows first.
"""

import argparse
import collections
import re
import sys
from pathlib import PurePath

# Output sections by kind; everything else counts as "other".
KINDS = {
    ".text": "code",
    ".rdata": "rdata",
    ".data": "data",
    ".pdata": "unwind",
    ".xdata": "unwind",
    ".eh_frame": "unwind",
    ".rsrc": "rsrc",
    ".idata": "imports",
    ".reloc": "reloc",
}
KIND_ORDER = ["code", "rdata", "data", "unwind", "imports", "rsrc", "reloc", "other"]

INPUT = re.compile(r"^\s+(0x[0-9a-f]+)\s+(0x[0-9a-f]+)\s+(\S.*)$")
NAMED_INPUT = re.compile(r"^ (\S+)\s+(0x[0-9a-f]+)\s+(0x[0-9a-f]+)\s+(\S.*)$")
OUTPUT = re.compile(r"^(\.\S+|\S+)\s+(0x[0-9a-f]+)\s+(0x[0-9a-f]+)")
OUTPUT_ALONE = re.compile(r"^(\.\S+)\s*$")


def group_of(origin):
    """The group an input file belongs to, and its member's readable name."""
    match = re.match(r"^(.*?)\((.*)\)$", origin)
    archive, member = (match.group(1), match.group(2)) if match else (origin, "")
    name = PurePath(archive).name
    # The link-time optimiser's output: the launcher and the core, with what
    # it inlined from the libraries, in one object of a temporary name.
    if ".ltrans" in name:
        return "lto", "launcher and core (link-time optimised)"
    # What the linker makes itself: the base relocations.
    if origin == "dll stuff":
        return "linker", "base relocations"
    if member.endswith(".res") or name.endswith(".res"):
        return "resources", member or name
    if "lumen_launcher" in name or "lumen_stub" in archive:
        return "launcher", member or name
    if "lumen_core" in name:
        return "core", member
    if name == "libz.a":
        return "zlib", member
    if name.startswith("libstdc++") or name.startswith("libsupc++"):
        return "libstdc++", member
    if name.startswith("libgcc"):
        return "libgcc", member
    if name.startswith("libwinpthread") or name == "libpthread.a":
        return "winpthread", member
    if name in ("libmingw32.a", "libmingwex.a", "libmsvcrt.a", "libmoldname.a") or name.endswith(".o"):
        if name == "libmsvcrt.a" and member.startswith("d"):
            return "imports", "msvcrt.dll"
        return "crt", member or name
    if name.startswith("lib") and name.endswith(".a"):
        return "imports", name[3:-2]
    return "other", member or name


def parse(lines):
    sizes = collections.defaultdict(collections.Counter)
    members = collections.Counter()
    in_map = False
    output = None
    split = False  # an input section name whose address and size are on the next line
    for line in lines:
        line = line.rstrip("\n")
        if not in_map:
            in_map = line.startswith("Linker script and memory map")
            continue
        if not line.startswith(" "):
            top = OUTPUT.match(line) or OUTPUT_ALONE.match(line)
            output = top.group(1) if top and not line.startswith("/DISCARD/") else None
            split = False
            continue
        if output is None:
            continue
        if split:
            split = False
            found = INPUT.match(line)
            if found:
                record(sizes, members, output, int(found.group(2), 16), found.group(3))
            continue
        named = NAMED_INPUT.match(line)
        if named and not named.group(1).startswith("*"):
            record(sizes, members, output, int(named.group(3), 16), named.group(4))
        elif re.match(r"^ [^\s*]\S*$", line):
            split = True
    return sizes, members


def record(sizes, members, output, size, origin):
    if size == 0 or origin.startswith("*") or "linker stubs" in origin:
        return
    kind = KINDS.get(output, "other")
    group, member = group_of(origin.strip())
    sizes[group][kind] += size
    members[(group, member)] += size


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("map")
    parser.add_argument("--members", type=int, default=0)
    args = parser.parse_args()
    with open(args.map, encoding="utf-8", errors="replace") as stream:
        sizes, members = parse(stream)
    if not sizes:
        sys.exit(f"{args.map}: no input sections found (not a GNU ld map?)")
    header = f"  {'from':<11}" + "".join(f"{k:>8}" for k in KIND_ORDER) + f"{'total':>9}"
    print(header)
    rows = sorted(sizes.items(), key=lambda item: -sum(item[1].values()))
    totals = collections.Counter()
    for group, kinds in rows:
        totals.update(kinds)
        cells = "".join(f"{kinds[k] / 1024:>8.1f}" for k in KIND_ORDER)
        print(f"  {group:<11}{cells}{sum(kinds.values()) / 1024:>9.1f}")
    cells = "".join(f"{totals[k] / 1024:>8.1f}" for k in KIND_ORDER)
    print(f"  {'all (KiB)':<11}{cells}{sum(totals.values()) / 1024:>9.1f}")
    if args.members:
        print(f"  largest members (KiB):")
        for (group, member), size in members.most_common(args.members):
            print(f"    {size / 1024:7.1f}  {group}: {member}")


if __name__ == "__main__":
    main()
