# The POSIX launcher: the same modules as the Windows stub with the POSIX OS
# layer, linked against the system's C library (dlopen needs it) with the
# C++ runtime built in, so that it runs on any glibc system of its age; zlib
# (runtime archives) comes from the system.
include(${PROJECT_SOURCE_DIR}/cmake/launcher_sources.cmake)
lumen_launcher_sources(LUMEN_POSIX_LAUNCHER_SOURCES posix)

set(LUMEN_JDK_HOME /usr/lib/jvm/java-17-openjdk-amd64)
if(NOT EXISTS ${LUMEN_JDK_HOME}/include/jni.h)
  message(FATAL_ERROR "jni.h not found in ${LUMEN_JDK_HOME}/include (install openjdk-17-jdk-headless)")
endif()

add_library(lumen_launcher_posix STATIC ${LUMEN_POSIX_LAUNCHER_SOURCES})
target_include_directories(lumen_launcher_posix PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_include_directories(lumen_launcher_posix SYSTEM PUBLIC
  ${LUMEN_JDK_HOME}/include ${LUMEN_JDK_HOME}/include/linux)
target_compile_options(lumen_launcher_posix PRIVATE -Os -ffunction-sections -fdata-sections)
find_package(ZLIB REQUIRED)
target_link_libraries(lumen_launcher_posix PUBLIC lumen_core ZLIB::ZLIB ${CMAKE_DL_LIBS} Threads::Threads)

add_executable(lumen_stub_linux ${PROJECT_SOURCE_DIR}/src/launcher/main_posix.cpp)
set_target_properties(lumen_stub_linux PROPERTIES OUTPUT_NAME lumen-linux-x64)
target_compile_options(lumen_stub_linux PRIVATE -Os)
target_link_options(lumen_stub_linux PRIVATE -static-libgcc -static-libstdc++ -Wl,--gc-sections)
target_link_libraries(lumen_stub_linux PRIVATE lumen_launcher_posix)
