#!/usr/bin/env python3
"""The stub-size breakdown (bench/link_map.py) read from a GNU ld map: each
kept input section counted once, by origin and kind, discarded ones not."""

import sys
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "bench"))
import link_map  # noqa: E402

GCC = "/usr/lib/gcc/x86_64-w64-mingw32/12-posix"
MAP = f"""Archive member included to satisfy reference by file (symbol)

{GCC}/libstdc++.a(string-inst.o)
                              main.obj (_ZNSs4_Rep)
Discarded input sections

 .text          0x0000000000000000      0x900 {GCC}/libstdc++.a(cp-demangle.o)

Linker script and memory map

.text           0x0000000140001000    0x60c00
 *(.text)
 .text          0x0000000140001000      0x510 {GCC}/../../../../x86_64-w64-mingw32/lib/crt2.o
                0x00000001400014b0                WinMainCRTStartup
 .text          0x0000000140001530      0x100 {GCC}/../../../../x86_64-w64-mingw32/lib/libz.a(inflate.o)
 .text$_ZN5lumen3fooEv
                0x0000000140001630      0x200 liblumen_launcher.a(entry.cpp.obj)
 *fill*         0x0000000140001830       0x10
 .text          0x0000000140001840       0x40 liblumen_core.a(tar_reader.cpp.obj)
 .text          0x0000000140001880       0x20 {GCC}/../../../../x86_64-w64-mingw32/lib/libpthread.a(thread.o)
 .text          0x00000001400018a0       0x10 {GCC}/../../../../x86_64-w64-mingw32/lib/libkernel32.a(dxs00001.o)
 .text          0x00000001400018b0       0x30 CMakeFiles/lumen_stub_gui.dir/objects.a(main_win.cpp.obj)
 .text          0x00000001400018e0      0x300 /tmp/ccryg9LU.ltrans0.ltrans.o

.rdata          0x0000000140063000     0xcc00
 .rdata$zz      0x0000000140063000       0x80 {GCC}/libstdc++.a(string-inst.o)
.pdata          0x0000000140070000     0x6200
 .pdata$_ZN5lumen3fooEv
                0x0000000140070000        0xc liblumen_launcher.a(entry.cpp.obj)
.reloc          0x0000000140086000      0x400
 .reloc         0x0000000140086000      0x3f8 dll stuff
.rsrc           0x0000000140087000     0x6800
 .rsrc          0x0000000140087000     0x67d0 CMakeFiles/lumen_stub_gui.dir/objects.a(lumen.rc.res)
/DISCARD/
 *(.debug$S)
 .text          0x0000000000000000     0x9999 liblumen_core.a(dropped.cpp.obj)
"""


class LinkMapBreakdown(unittest.TestCase):
    def test_groups_and_kinds(self):
        sizes, members = link_map.parse(MAP.splitlines(keepends=True))
        cases = [  # group, kind, bytes
            ("crt", "code", 0x510),
            ("zlib", "code", 0x100),
            ("launcher", "code", 0x200 + 0x30),  # the name on its own line, then the size
            ("launcher", "unwind", 0xC),
            ("core", "code", 0x40),  # /DISCARD/ not counted
            ("winpthread", "code", 0x20),
            ("imports", "code", 0x10),
            ("libstdc++", "rdata", 0x80),  # only what was kept, not the discarded demangler
            ("libstdc++", "code", 0),
            ("resources", "rsrc", 0x67D0),
            ("lto", "code", 0x300),  # not the C run-time, though a plain .o
            ("linker", "reloc", 0x3F8),
        ]
        for group, kind, expected in cases:
            with self.subTest(group=group, kind=kind):
                self.assertEqual(sizes[group][kind], expected)
        self.assertEqual(members[("libstdc++", "string-inst.o")], 0x80)
        self.assertNotIn(("libstdc++", "cp-demangle.o"), members)


if __name__ == "__main__":
    unittest.main()
