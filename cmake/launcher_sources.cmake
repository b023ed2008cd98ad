# The launcher's modules for one platform: every src/launcher module shared
# by both platforms, the platform's own modules (*_win.cpp or *_posix.cpp)
# and its OS layer. The process entry (main_*.cpp) and the stubs' own
# run-time replacements (runtime_support_*.cpp) stay out, so that test
# executables can link the same modules with the standard library's
# behaviour.
function(lumen_launcher_sources out platform)
  file(GLOB shared CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/launcher/*.cpp)
  list(FILTER shared EXCLUDE REGEX "_(win|posix)\\.cpp$")
  file(GLOB own CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/launcher/*_${platform}.cpp
       ${PROJECT_SOURCE_DIR}/src/os/*_${platform}.cpp)
  list(FILTER own EXCLUDE REGEX "/(main|runtime_support)_${platform}\\.cpp$")
  set(${out} ${shared} ${own} PARENT_SCOPE)
endfunction()
