# The Windows stubs: one GUI and one console flavour from the same sources,
# statically linked so that they need no DLL but the system's, with unused
# sections dropped and symbols stripped (a COFF symbol table would sit where
# the appended configuration begins).
if(CMAKE_SYSTEM_PROCESSOR MATCHES "x86_64")
  set(LUMEN_ARCH x64)
else()
  set(LUMEN_ARCH x86)
endif()

include(${PROJECT_SOURCE_DIR}/cmake/launcher_sources.cmake)
lumen_launcher_sources(LUMEN_LAUNCHER_SOURCES win)

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

# The resources: dialogs, icons, manifest, version information. The icons
# are drawn at build time by a script, so the tree holds no binary image.
enable_language(RC)
find_program(LUMEN_PYTHON python3 REQUIRED)
set(LUMEN_RESOURCE_DIR ${CMAKE_BINARY_DIR}/resources)
add_custom_command(
  OUTPUT ${LUMEN_RESOURCE_DIR}/lumen.ico ${LUMEN_RESOURCE_DIR}/lumen-small.ico
  COMMAND ${CMAKE_COMMAND} -E make_directory ${LUMEN_RESOURCE_DIR}
  COMMAND ${LUMEN_PYTHON} ${PROJECT_SOURCE_DIR}/resources/make_icon.py
          ${LUMEN_RESOURCE_DIR}/lumen.ico
  COMMAND ${LUMEN_PYTHON} ${PROJECT_SOURCE_DIR}/resources/make_icon.py
          ${LUMEN_RESOURCE_DIR}/lumen-small.ico 16 32
  DEPENDS ${PROJECT_SOURCE_DIR}/resources/make_icon.py
  COMMENT "Drawing the launcher icons")
add_custom_target(lumen_icons DEPENDS ${LUMEN_RESOURCE_DIR}/lumen.ico
                                      ${LUMEN_RESOURCE_DIR}/lumen-small.ico)
set_source_files_properties(${PROJECT_SOURCE_DIR}/resources/lumen.rc PROPERTIES OBJECT_DEPENDS
  "${LUMEN_RESOURCE_DIR}/lumen.ico;${LUMEN_RESOURCE_DIR}/lumen-small.ico;${PROJECT_SOURCE_DIR}/resources/lumen.manifest")

# The resource section goes last in the image: the linker's own script with
# only that statement moved behind the base relocations.
set(LUMEN_STUB_LINKER_SCRIPT ${CMAKE_BINARY_DIR}/stub-rsrc-last.ld)
execute_process(
  COMMAND ${LUMEN_PYTHON} ${PROJECT_SOURCE_DIR}/cmake/rsrc_last.py ${CMAKE_LINKER}
          ${LUMEN_STUB_LINKER_SCRIPT}
  RESULT_VARIABLE lumen_script_result)
if(NOT lumen_script_result EQUAL 0)
  message(FATAL_ERROR "could not write ${LUMEN_STUB_LINKER_SCRIPT} from ${CMAKE_LINKER}")
endif()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/cmake/rsrc_last.py)

function(lumen_stub target output subsystem)
  add_executable(${target} src/launcher/main_win.cpp resources/lumen.rc)
  add_dependencies(${target} lumen_icons)
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/resources ${LUMEN_RESOURCE_DIR})
  set_target_properties(${target} PROPERTIES OUTPUT_NAME ${output} SUFFIX ".exe")
  target_include_directories(${target} PRIVATE src)
  target_compile_options(${target} PRIVATE -Os -ffunction-sections -fdata-sections)
  target_link_options(${target} PRIVATE -m${subsystem} -static -static-libgcc -static-libstdc++
    -Wl,--gc-sections -s -Wl,--no-insert-timestamp -Wl,-T,${LUMEN_STUB_LINKER_SCRIPT})
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${LUMEN_STUB_LINKER_SCRIPT})
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
