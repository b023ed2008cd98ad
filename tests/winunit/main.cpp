// Entry of the Windows test executable. A crash or a missing DLL must fail
// the run with a report on the console, never wait on an error dialog
// (under Wine nobody would close it); children inherit the setting.
#include <windows.h>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
