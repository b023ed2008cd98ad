# Runs lumen_win_tests.exe under Wine in the prefix of the Wine test rig
# (tests/win), on the rig's display when it has recorded one, so that the
# tests share the rig's running wineserver and desktop.
#
# Expects -DWINE=... -DTEST_EXE=... -DFIXTURES=<Windows path> -DPREFIX=...
# -DRIG_STATE=<the rig's state.json>; extra test arguments in ARGS (a list).
if(DEFINED ENV{LUMEN_WINE_PREFIX} AND NOT "$ENV{LUMEN_WINE_PREFIX}" STREQUAL "")
  set(PREFIX "$ENV{LUMEN_WINE_PREFIX}")
endif()
if(NOT EXISTS "${TEST_EXE}")
  message(FATAL_ERROR "${TEST_EXE} is missing: build the 32-bit tree first (make win32)")
endif()
if(EXISTS "${RIG_STATE}")
  file(READ "${RIG_STATE}" state)
  string(JSON display ERROR_VARIABLE no_display GET "${state}" display)
  if(NOT no_display AND display)
    set(ENV{DISPLAY} "${display}")
  endif()
endif()
set(ENV{WINEPREFIX} "${PREFIX}")
set(ENV{WINEDEBUG} "-all")
set(ENV{WINEDLLOVERRIDES} "mscoree,mshtml=")
set(ENV{LUMEN_FIXTURES} "${FIXTURES}")
execute_process(COMMAND "${WINE}" "${TEST_EXE}" ${ARGS} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "lumen_win_tests.exe failed: ${result}")
endif()
