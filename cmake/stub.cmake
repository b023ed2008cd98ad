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
# system's. The common controls and the common dialogs are not imported:
# only the dialogs need them, and they load them from the system directory
# (os::loadCommonControls, os::pickExistingFile), which spares every quiet
# start their loading.
#
# user32 and gdi32 are delay-loaded: a quiet start that shows no window
# never calls them, and under Wine their loading is most of what such a
# start costs over an empty program. The stubs load them from the system
# directory on the first call (the hook in runtime_support_win.cpp).
#
# The i386 linker drops the code of a delay-import library's member whose
# function nobody names, which is every member when callers name only the
# address slot (__imp__, code compiled without link-time optimisation): that
# code is the load thunk the slot points at, so the first call would jump to
# address 0. Every 32-bit link therefore goes through a launcher that names
# the functions its inputs use (keep_delayed_thunks.py).
find_program(LUMEN_PYTHON python3 REQUIRED)
set(LUMEN_DELAYED_LIBS)
if(LUMEN_ARCH STREQUAL "x86")
  set(LUMEN_DELAY_MACHINE i386)
  set(keep_thunks ${LUMEN_PYTHON} ${PROJECT_SOURCE_DIR}/cmake/keep_delayed_thunks.py
      ${CMAKE_NM} ${CMAKE_BINARY_DIR}/delayed --)
  set(CMAKE_C_LINKER_LAUNCHER ${keep_thunks})
  set(CMAKE_CXX_LINKER_LAUNCHER ${keep_thunks})
else()
  set(LUMEN_DELAY_MACHINE i386:x86-64)
endif()
foreach(dll user32 gdi32)
  find_library(LUMEN_${dll}_IMPORT_LIB NAMES lib${dll}.a REQUIRED)
  set(delayed ${CMAKE_BINARY_DIR}/delayed/lib${dll}_delayed.a)
  add_custom_command(OUTPUT ${delayed}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/delayed
    COMMAND ${LUMEN_PYTHON} ${PROJECT_SOURCE_DIR}/cmake/delay_import.py ${CMAKE_NM}
            ${CMAKE_DLLTOOL} ${LUMEN_DELAY_MACHINE} ${LUMEN_${dll}_IMPORT_LIB} ${dll}.dll
            ${CMAKE_BINARY_DIR}/delayed ${delayed}
    DEPENDS ${PROJECT_SOURCE_DIR}/cmake/delay_import.py
    COMMENT "Delay-import library for ${dll}.dll")
  list(APPEND LUMEN_DELAYED_LIBS ${delayed})
endforeach()
set(LUMEN_WINDOW_LIBS ${LUMEN_DELAYED_LIBS})
add_custom_target(lumen_delayed_libs DEPENDS ${LUMEN_DELAYED_LIBS})
set(LUMEN_STUB_LIBS -l:libz.a ${LUMEN_WINDOW_LIBS} advapi32)

# Failures are values, so nothing in the stub throws or catches: without
# exception tables and with the run-time's throw helpers replaced
# (runtime_support_win.cpp) the stub keeps only what it calls. On x86 the
# DWARF unwind tables serve nothing but C++ exceptions (its SEH needs no
# tables), so they go too; x64 keeps .pdata/.xdata, which Windows itself
# walks through when the JVM's structured exceptions unwind past our frames.
option(LUMEN_STUB_EXCEPTIONS "Build the Windows stubs with C++ exceptions (for size comparisons)" OFF)
set(LUMEN_STUB_CXX_FLAGS
  "$<$<COMPILE_LANGUAGE:CXX>:SHELL:-include ${PROJECT_SOURCE_DIR}/src/launcher/stub_prelude_win.h>")
if(NOT LUMEN_STUB_EXCEPTIONS)
  list(APPEND LUMEN_STUB_CXX_FLAGS $<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions>)
  if(LUMEN_ARCH STREQUAL "x86")
    list(APPEND LUMEN_STUB_CXX_FLAGS -fno-asynchronous-unwind-tables)
  endif()
endif()
# The stubs are linked with link-time optimisation: across the launcher and
# the core it inlines and drops what -Os and --gc-sections alone keep (a
# fifth of the stub). The objects stay fat, so the test programs that link
# the same libraries are linked as before. One partition: GCC 12's parallel
# partitions fail on this code (an internal error in dead-store
# elimination). No run-time type information: nothing asks for it.
option(LUMEN_STUB_LTO "Link the Windows stubs with link-time optimisation" ON)
if(LUMEN_STUB_LTO)
  set(LUMEN_STUB_LTO_FLAGS -flto -flto-partition=one)
  list(APPEND LUMEN_STUB_CXX_FLAGS ${LUMEN_STUB_LTO_FLAGS} -ffat-lto-objects)
  # GCC's linker plugin optimises any link that meets such objects; every
  # program but the stubs (marked LUMEN_LTO_LINK) takes their plain code.
  target_link_options(lumen_core INTERFACE
    $<$<NOT:$<BOOL:$<TARGET_PROPERTY:LUMEN_LTO_LINK>>>:-fno-lto>)
endif()
list(APPEND LUMEN_STUB_CXX_FLAGS $<$<COMPILE_LANGUAGE:CXX>:-fno-rtti>)
target_compile_options(lumen_core PRIVATE ${LUMEN_STUB_CXX_FLAGS})
target_sources(lumen_core PRIVATE ${PROJECT_SOURCE_DIR}/src/core/string_instances_win.cpp)

add_library(lumen_launcher STATIC ${LUMEN_LAUNCHER_SOURCES})
add_dependencies(lumen_launcher lumen_delayed_libs)
target_include_directories(lumen_launcher PUBLIC src)
# The JDK's platform-independent jni.h with our Windows jni_md.h.
set(LUMEN_JDK_INCLUDE /usr/lib/jvm/java-17-openjdk-amd64/include)
if(NOT EXISTS ${LUMEN_JDK_INCLUDE}/jni.h)
  message(FATAL_ERROR "jni.h not found in ${LUMEN_JDK_INCLUDE} (install openjdk-17-jdk-headless)")
endif()
target_include_directories(lumen_launcher PUBLIC src/launcher/jni/win32)
target_include_directories(lumen_launcher SYSTEM PUBLIC ${LUMEN_JDK_INCLUDE})
target_compile_options(lumen_launcher PRIVATE -Os -ffunction-sections -fdata-sections ${LUMEN_STUB_CXX_FLAGS})
target_compile_definitions(lumen_launcher PUBLIC WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0501)
target_link_libraries(lumen_launcher PUBLIC lumen_core ${LUMEN_STUB_LIBS})

# The resources: dialogs, icons, manifest, version information. The icons
# are drawn at build time by a script, so the tree holds no binary image.
enable_language(RC)
find_program(LUMEN_PYTHON python3 REQUIRED)
set(LUMEN_RESOURCE_DIR ${CMAKE_BINARY_DIR}/resources)
add_custom_command(
  OUTPUT ${LUMEN_RESOURCE_DIR}/lumen.ico ${LUMEN_RESOURCE_DIR}/lumen-icon-group.bin
  COMMAND ${CMAKE_COMMAND} -E make_directory ${LUMEN_RESOURCE_DIR}
  COMMAND ${LUMEN_PYTHON} ${PROJECT_SOURCE_DIR}/resources/make_icon.py
          ${LUMEN_RESOURCE_DIR}/lumen.ico --group ${LUMEN_RESOURCE_DIR}/lumen-icon-group.bin
  DEPENDS ${PROJECT_SOURCE_DIR}/resources/make_icon.py
  COMMENT "Drawing the launcher icons")
add_custom_target(lumen_icons DEPENDS ${LUMEN_RESOURCE_DIR}/lumen.ico
                                      ${LUMEN_RESOURCE_DIR}/lumen-icon-group.bin)
set_source_files_properties(${PROJECT_SOURCE_DIR}/resources/lumen.rc PROPERTIES OBJECT_DEPENDS
  "${LUMEN_RESOURCE_DIR}/lumen.ico;${LUMEN_RESOURCE_DIR}/lumen-icon-group.bin;${PROJECT_SOURCE_DIR}/resources/lumen.manifest")

# The resource section goes last in the image: the linker's own script with
# only that statement moved behind the base relocations.
set(LUMEN_STUB_LINKER_SCRIPT ${CMAKE_BINARY_DIR}/stub-rsrc-last.ld)
execute_process(
  COMMAND ${LUMEN_PYTHON} ${PROJECT_SOURCE_DIR}/cmake/rsrc_last.py ${CMAKE_LINKER}
          ${LUMEN_STUB_LINKER_SCRIPT}.new
  RESULT_VARIABLE lumen_script_result)
if(NOT lumen_script_result EQUAL 0)
  message(FATAL_ERROR "could not write ${LUMEN_STUB_LINKER_SCRIPT} from ${CMAKE_LINKER}")
endif()
# The stubs' links depend on the script: a configure run that writes the
# same text again must not make them link again.
configure_file(${LUMEN_STUB_LINKER_SCRIPT}.new ${LUMEN_STUB_LINKER_SCRIPT} COPYONLY)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/cmake/rsrc_last.py)

function(lumen_stub target output subsystem)
  add_executable(${target} src/launcher/main_win.cpp src/launcher/runtime_support_win.cpp
    resources/lumen.rc)
  add_dependencies(${target} lumen_icons)
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/resources ${LUMEN_RESOURCE_DIR})
  set_target_properties(${target} PROPERTIES OUTPUT_NAME ${output} SUFFIX ".exe"
    LUMEN_LTO_LINK ${LUMEN_STUB_LTO})
  target_include_directories(${target} PRIVATE src)
  target_compile_options(${target} PRIVATE -Os -ffunction-sections -fdata-sections
    ${LUMEN_STUB_CXX_FLAGS})
  # The link map feeds the size breakdown of bench/stub_sizes.sh.
  target_link_options(${target} PRIVATE ${LUMEN_STUB_LTO_FLAGS} -Os
    -m${subsystem} -Wl,-Map,${output}.map -static -static-libgcc -static-libstdc++
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

# The start-up benchmark's baseline (a program without imports), the VM
# library that ends the process at JNI_CreateJavaVM, and the helper that
# keeps Wine's desktop running through it.
add_executable(lumen_empty_program EXCLUDE_FROM_ALL bench/win/empty_program.c)
target_link_options(lumen_empty_program PRIVATE -nostdlib -nostartfiles -s
  -Wl,-e,$<IF:$<STREQUAL:${LUMEN_ARCH},x86>,_lumenEmptyEntry,lumenEmptyEntry> -mconsole)
add_library(lumen_exiting_jvm SHARED EXCLUDE_FROM_ALL bench/win/exiting_jvm.c)
set_target_properties(lumen_exiting_jvm PROPERTIES PREFIX "" OUTPUT_NAME exiting_jvm)
target_link_options(lumen_exiting_jvm PRIVATE -nostdlib -nostartfiles -s -Wl,--kill-at
  -Wl,-e,$<IF:$<STREQUAL:${LUMEN_ARCH},x86>,_lumenExitingJvmEntry@12,lumenExitingJvmEntry>)
target_link_libraries(lumen_exiting_jvm PRIVATE kernel32)
add_executable(lumen_desktop_holder EXCLUDE_FROM_ALL bench/win/desktop_holder.c)
target_link_options(lumen_desktop_holder PRIVATE -mwindows -s)

# Every program and library of the 32-bit tree is linked through the
# wrapper, so a change to it (or to the names it reads) links them again.
if(LUMEN_ARCH STREQUAL "x86")
  get_property(lumen_linked_targets DIRECTORY PROPERTY BUILDSYSTEM_TARGETS)
  foreach(linked ${lumen_linked_targets})
    get_target_property(linked_type ${linked} TYPE)
    if(linked_type MATCHES "EXECUTABLE|SHARED_LIBRARY|MODULE_LIBRARY")
      set_property(TARGET ${linked} APPEND PROPERTY LINK_DEPENDS
        ${PROJECT_SOURCE_DIR}/cmake/keep_delayed_thunks.py)
    endif()
  endforeach()
endif()
