"""Runs one Windows test for one architecture, or reports it skipped.

    wine_test.py ARCH unittest MODULE   a test module of tests/win
    wine_test.py ARCH gtest [ARGS...]   the architecture's lumen_win_tests.exe

ARCH is x86 or x64. Where the host cannot run that architecture's programs
(a kernel without 32-bit support, or LUMEN_WINE_ARCHS leaving it out) the
reason is printed on one line and the exit code is SKIP_CODE, which ctest
counts as skipped: such a run never passes and never fails.
"""

import os
import sys
import unittest

SKIP_CODE = 77


def main(argv):
    if len(argv) < 3 or argv[1] not in ("x86", "x64") or argv[2] not in ("unittest", "gtest"):
        sys.exit(__doc__)
    arch, kind, rest = argv[1], argv[2], argv[3:]
    # The rig reads the architecture when it is imported.
    os.environ["LUMEN_WINE_ARCH"] = arch
    import wine_rig as rig

    reason = rig.architecture_status().get(arch)
    if reason is not None:
        print(f"{arch} skipped: {reason}")
        return SKIP_CODE
    if kind == "unittest":
        if len(rest) != 1:
            sys.exit(__doc__)
        program = unittest.main(module=rest[0], argv=[argv[0], "-v"], exit=False)
        return 0 if program.result.wasSuccessful() else 1

    if not rig.TEST_EXE.exists():
        print(f"{rig.TEST_EXE} is missing: run `make dist` first")
        return 1
    state = rig.load_state() if rig.STATE_FILE.exists() else None
    env = rig.wine_env(state, loader=rig.loader_for(rig.TEST_EXE))
    env["LUMEN_FIXTURES"] = rig.windows_path(rig.FIXTURES)
    # The test executable's own output goes straight to ctest's log.
    return rig.run_recorded(rig.wine_command(rig.TEST_EXE, rest), env, timeout=None,
                            stdout=None, stderr=None).returncode


if __name__ == "__main__":
    sys.exit(main(sys.argv))
