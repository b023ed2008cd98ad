# The Windows stubs: one GUI and one console flavour from the same sources,
# statically linked so that they need no DLL but the system's, with unused
# sections dropped and symbols stripped (a COFF symbol table would sit where
# the appended configuration begins).
if(CMAKE_SYSTEM_PROCESSOR MATCHES "x86_64")
  set(LUMEN_ARCH x64)
else()
  set(LUMEN_ARCH x86)
endif()

# Everything of the stub but its process entry, so that the Windows test
# executable can link the same modules.
set(LUMEN_LAUNCHER_SOURCES
  src/launcher/arguments.cpp
  src/launcher/class_path.cpp
  src/launcher/configuration.cpp
  src/launcher/deletion.cpp
  src/launcher/download.cpp
  src/launcher/entry.cpp
  src/launcher/errors.cpp
  src/launcher/expansion.cpp
  src/launcher/extraction.cpp
  src/launcher/gz_archive.cpp
  src/launcher/included_files.cpp
  src/launcher/installed_jvms.cpp
  src/launcher/java_check.cpp
  src/launcher/jvm_entry.cpp
  src/launcher/jvm_launch.cpp
  src/launcher/jvm_loader.cpp
  src/launcher/jvm_search.cpp
  src/launcher/log.cpp
  src/launcher/pack200.cpp
  src/launcher/paths.cpp
  src/launcher/progress_view.cpp
  src/launcher/properties.cpp
  src/launcher/runtime_archive.cpp
  src/launcher/single_instance.cpp
  src/launcher/splash.cpp
  src/launcher/startup.cpp
  src/launcher/temp_files.cpp
  src/launcher/vm_options.cpp
  src/os/dialog_controls_win.cpp
  src/os/env_win.cpp
  src/os/file_win.cpp
  src/os/internet_win.cpp
  src/os/library_win.cpp
  src/os/paths_win.cpp
  src/os/process_win.cpp
  src/os/registry_win.cpp
  src/os/system_win.cpp
  src/os/text_win.cpp
  src/os/ui_win.cpp)

# zlib is linked statically (libz.a): the stub may need no DLL but the
# system's.
set(LUMEN_STUB_LIBS -l:libz.a comctl32 comdlg32 shell32 ole32 user32 gdi32 advapi32)

add_library(lumen_launcher STATIC ${LUMEN_LAUNCHER_SOURCES})
target_include_directories(lumen_launcher PUBLIC src)
# The JDK's platform-independent jni.h with our Windows jni_md.h.
set(LUMEN_JDK_INCLUDE /usr/lib/jvm/java-17-openjdk-amd64/include)
if(NOT EXISTS ${LUMEN_JDK_INCLUDE}/jni.h)
  message(FATAL_ERROR "jni.h not found in ${LUMEN_JDK_INCLUDE} (install openjdk-17-jdk-headless)")
endif()
target_include_directories(lumen_launcher PUBLIC src/launcher/jni/win32)
target_include_directories(lumen_launcher SYSTEM PUBLIC ${LUMEN_JDK_INCLUDE})
target_compile_options(lumen_launcher PRIVATE -Os -ffunction-sections -fdata-sections)
target_compile_definitions(lumen_launcher PUBLIC WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0501)
target_link_libraries(lumen_launcher PUBLIC lumen_core ${LUMEN_STUB_LIBS})

function(lumen_stub target output subsystem)
  add_executable(${target} src/launcher/main_win.cpp)
  set_target_properties(${target} PROPERTIES OUTPUT_NAME ${output} SUFFIX ".exe")
  target_include_directories(${target} PRIVATE src)
  target_compile_options(${target} PRIVATE -Os -ffunction-sections -fdata-sections)
  target_link_options(${target} PRIVATE -m${subsystem} -static -static-libgcc -static-libstdc++
    -Wl,--gc-sections -s -Wl,--no-insert-timestamp)
  target_link_libraries(${target} PRIVATE lumen_launcher)
  if(subsystem STREQUAL "console")
    target_compile_definitions(${target} PRIVATE LUMEN_CONSOLE_FLAVOUR)
  endif()
endfunction()

lumen_stub(lumen_stub_gui lumen-${LUMEN_ARCH} windows)
lumen_stub(lumen_stub_console lumen-console-${LUMEN_ARCH} console)

# Windows tests of the launcher's modules and the stand-in runtime programs
# they use, run under Wine by the native test tree.
if(EXISTS ${PROJECT_SOURCE_DIR}/cmake/win_tests.cmake)
  include(cmake/win_tests.cmake)
endif()
