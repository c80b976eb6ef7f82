# Compiler settings shared by every target of the project.

find_program(CCACHE_PROGRAM ccache)
if(CCACHE_PROGRAM)
  set(CMAKE_CXX_COMPILER_LAUNCHER ${CCACHE_PROGRAM})
endif()

# -Wshadow=local is GCC's; clang (the fuzzers' build) has no such option.
set(LIRANA_SHADOW_WARNING)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  set(LIRANA_SHADOW_WARNING -Wshadow=local)
endif()
add_compile_options(-Wall -Wextra -Wpedantic ${LIRANA_SHADOW_WARNING} -Wnon-virtual-dtor
                    -Woverloaded-virtual -Wimplicit-fallthrough)
if(LIRANA_WERROR)
  add_compile_options(-Werror)
endif()

if(LIRANA_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "LIRANA_FUZZ needs clang (CXX=clang++)")
  endif()
  add_compile_options(-fsanitize=address,undefined,fuzzer-no-link -fno-omit-frame-pointer
                      -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

if(LIRANA_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer
                      -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

# ThreadSanitizer cannot share a process with AddressSanitizer; the build type
# stays RelWithDebInfo, so the instrumented workers keep their real-time waits.
if(LIRANA_TSAN)
  if(LIRANA_SANITIZE OR LIRANA_FUZZ)
    message(FATAL_ERROR "LIRANA_TSAN excludes LIRANA_SANITIZE and LIRANA_FUZZ")
  endif()
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()

if(NOT CMAKE_BUILD_TYPE AND NOT CMAKE_CONFIGURATION_TYPES)
  set(CMAKE_BUILD_TYPE RelWithDebInfo CACHE STRING "Build type" FORCE)
endif()
