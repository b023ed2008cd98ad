# The Windows tests of the launcher's modules and the stand-in runtime
# programs they lay out as Java runtimes, built in both Windows trees so that
# each architecture's launcher meets runtimes of its own kind; the native
# tree runs lumen_win_tests.exe under Wine for every architecture the host
# can run (tests/winunit).

set(LUMEN_STATIC_RUNTIME -static -static-libgcc -static-libstdc++)

# --- The stand-ins, all in one folder: <tree>/fixtures ---------------------
set(LUMEN_FIXTURE_DIR ${CMAKE_BINARY_DIR}/fixtures)

function(lumen_fixture target output type)
  if(type STREQUAL "EXE")
    add_executable(${target} ${ARGN})
    target_link_options(${target} PRIVATE -mconsole)
  else()
    add_library(${target} SHARED ${ARGN})
    # Undecorated __stdcall exports, as a real VM library has them.
    target_link_options(${target} PRIVATE -Wl,--kill-at)
  endif()
  set_target_properties(${target} PROPERTIES
    OUTPUT_NAME ${output}
    PREFIX ""
    RUNTIME_OUTPUT_DIRECTORY ${LUMEN_FIXTURE_DIR}
    ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fixtures-lib)
  target_include_directories(${target} PRIVATE tests/fixtures src/launcher/jni/win32)
  target_include_directories(${target} SYSTEM PRIVATE ${LUMEN_JDK_INCLUDE})
  target_compile_definitions(${target} PRIVATE WIN32_LEAN_AND_MEAN)
  target_link_options(${target} PRIVATE ${LUMEN_STATIC_RUNTIME} -s)
endfunction()

lumen_fixture(lumen_fixture_java java EXE tests/fixtures/fake_java.cpp)
add_custom_command(TARGET lumen_fixture_java POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:lumen_fixture_java>
          ${LUMEN_FIXTURE_DIR}/javaw.exe)
lumen_fixture(lumen_fixture_unpack200 unpack200 EXE tests/fixtures/fake_unpack200.cpp)
lumen_fixture(lumen_fixture_jvm jvm SHARED tests/fixtures/fake_jvm.cpp)
lumen_fixture(lumen_fixture_jvm_noentry jvm_noentry SHARED tests/fixtures/fake_jvm.cpp)
target_compile_definitions(lumen_fixture_jvm_noentry PRIVATE LUMEN_FAKE_JVM_NO_ENTRY)
lumen_fixture(lumen_fixture_jvmhelper jvmhelper SHARED tests/fixtures/jvm_helper.cpp)
target_compile_definitions(lumen_fixture_jvmhelper PRIVATE LUMEN_BUILDING_JVM_HELPER)
lumen_fixture(lumen_fixture_jvm_needs_helper jvm_needs_helper SHARED tests/fixtures/fake_jvm.cpp)
target_compile_definitions(lumen_fixture_jvm_needs_helper PRIVATE LUMEN_FAKE_JVM_NEEDS_HELPER)
target_link_libraries(lumen_fixture_jvm_needs_helper PRIVATE lumen_fixture_jvmhelper)

# Finds, reads and clicks the launcher's windows for the GUI tests.
lumen_fixture(lumen_fixture_gui_driver gui_driver EXE tests/fixtures/gui_driver.cpp)
# Reads a launcher's resources as Explorer and the shell do.
lumen_fixture(lumen_fixture_resource_reader resource_reader EXE tests/fixtures/resource_reader.cpp)
target_link_options(lumen_fixture_resource_reader PRIVATE -municode)
target_link_libraries(lumen_fixture_resource_reader PRIVATE version gdi32 shell32)

add_custom_target(lumen_win_fixtures DEPENDS lumen_fixture_gui_driver lumen_fixture_resource_reader
  lumen_fixture_java lumen_fixture_unpack200 lumen_fixture_jvm lumen_fixture_jvm_noentry
  lumen_fixture_jvmhelper lumen_fixture_jvm_needs_helper)

# --- GoogleTest from the sources Debian ships, built with this toolchain ---
set(LUMEN_GTEST_SOURCE /usr/src/googletest/googletest)
if(NOT EXISTS ${LUMEN_GTEST_SOURCE}/CMakeLists.txt)
  message(FATAL_ERROR "GoogleTest sources not found in ${LUMEN_GTEST_SOURCE} (install libgtest-dev)")
endif()
set(GOOGLETEST_VERSION 1.12.1)
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_SHARED_LIBS OFF)
add_subdirectory(${LUMEN_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
# GoogleTest's own warnings are not ours to fix.
foreach(gtest_target gtest gtest_main)
  get_target_property(gtest_options ${gtest_target} COMPILE_OPTIONS)
  if(gtest_options)
    list(REMOVE_ITEM gtest_options -Werror)
    set_target_properties(${gtest_target} PROPERTIES COMPILE_OPTIONS "${gtest_options}")
  endif()
endforeach()

# --- The test executable ---------------------------------------------------
file(GLOB LUMEN_WIN_TEST_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/winunit/*_test.cpp)
add_executable(lumen_win_tests tests/winunit/main.cpp ${LUMEN_WIN_TEST_SOURCES})
target_include_directories(lumen_win_tests PRIVATE tests/winunit)
target_link_libraries(lumen_win_tests PRIVATE lumen_launcher gtest)
target_link_options(lumen_win_tests PRIVATE -mconsole ${LUMEN_STATIC_RUNTIME})
add_dependencies(lumen_win_tests lumen_win_fixtures)

# The recording VM library for launch tests (copied into fake runtimes as
# jvm.dll).
lumen_fixture(lumen_fixture_recording_jvm jvm_recording SHARED tests/fixtures/recording_jvm.cpp)
add_dependencies(lumen_win_fixtures lumen_fixture_recording_jvm)

# The splash screen's test program: the launcher's modules in a windowed
# program with a test bitmap 10000 (drawn at build time, so the tree holds
# no binary image) and the splash icon, and a twin with neither.
set(LUMEN_SPLASH_BITMAP ${LUMEN_RESOURCE_DIR}/splash-test.bmp)
add_custom_command(
  OUTPUT ${LUMEN_SPLASH_BITMAP}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${LUMEN_RESOURCE_DIR}
  COMMAND ${LUMEN_PYTHON} ${PROJECT_SOURCE_DIR}/tests/fixtures/make_splash_bitmap.py
          ${LUMEN_SPLASH_BITMAP}
  DEPENDS ${PROJECT_SOURCE_DIR}/tests/fixtures/make_splash_bitmap.py
  COMMENT "Drawing the splash test bitmap")
# The probe carries an ID_SPLASH_ICON of its own (16 and 32 pixels).
add_custom_command(
  OUTPUT ${LUMEN_RESOURCE_DIR}/lumen-small.ico
  COMMAND ${CMAKE_COMMAND} -E make_directory ${LUMEN_RESOURCE_DIR}
  COMMAND ${LUMEN_PYTHON} ${PROJECT_SOURCE_DIR}/resources/make_icon.py
          ${LUMEN_RESOURCE_DIR}/lumen-small.ico 16 32
  DEPENDS ${PROJECT_SOURCE_DIR}/resources/make_icon.py
  COMMENT "Drawing the splash probe's icon")
add_custom_target(lumen_splash_bitmap DEPENDS ${LUMEN_SPLASH_BITMAP}
                                              ${LUMEN_RESOURCE_DIR}/lumen-small.ico)
set_source_files_properties(${PROJECT_SOURCE_DIR}/tests/fixtures/splash_probe.rc PROPERTIES
  OBJECT_DEPENDS "${LUMEN_SPLASH_BITMAP};${LUMEN_RESOURCE_DIR}/lumen-small.ico")

function(lumen_splash_probe target output)
  add_executable(${target} tests/fixtures/splash_probe.cpp ${ARGN})
  set_target_properties(${target} PROPERTIES
    OUTPUT_NAME ${output}
    RUNTIME_OUTPUT_DIRECTORY ${LUMEN_FIXTURE_DIR})
  target_include_directories(${target} PRIVATE ${LUMEN_RESOURCE_DIR})
  target_link_libraries(${target} PRIVATE lumen_launcher)
  target_link_options(${target} PRIVATE -mwindows ${LUMEN_STATIC_RUNTIME} -s)
  add_dependencies(lumen_win_fixtures ${target})
endfunction()
lumen_splash_probe(lumen_splash_probe splash_probe tests/fixtures/splash_probe.rc)
add_dependencies(lumen_splash_probe lumen_splash_bitmap)
lumen_splash_probe(lumen_splash_probe_plain splash_probe_plain)

# Benchmarks that need the launcher's modules under Wine (run by bench/run.sh).
add_executable(lumen_java_check_bench bench/win/java_check_bench.cpp)
target_include_directories(lumen_java_check_bench PRIVATE tests/winunit)
target_link_libraries(lumen_java_check_bench PRIVATE lumen_launcher)
target_link_options(lumen_java_check_bench PRIVATE -mconsole ${LUMEN_STATIC_RUNTIME})
add_dependencies(lumen_java_check_bench lumen_win_fixtures)

# The untar and the download of the stub, timed under Wine by
# bench/provisioning_bench.sh.
add_executable(lumen_provisioning_bench bench/win/provisioning_bench.cpp)
target_link_libraries(lumen_provisioning_bench PRIVATE lumen_launcher)
target_link_options(lumen_provisioning_bench PRIVATE -mconsole ${LUMEN_STATIC_RUNTIME})
