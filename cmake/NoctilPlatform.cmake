# Shared build rules: dependencies found once, warning flags, and the helper that
# turns one folder of the platform stand-in into one shared library.
find_package(PkgConfig REQUIRED)
pkg_check_modules(PLIST REQUIRED IMPORTED_TARGET libplist-2.0)
pkg_check_modules(CAIRO REQUIRED IMPORTED_TARGET cairo)
pkg_check_modules(PNG REQUIRED IMPORTED_TARGET libpng)
pkg_check_modules(SQLITE REQUIRED IMPORTED_TARGET sqlite3)
find_package(JPEG REQUIRED)
find_package(Threads REQUIRED)

# GCC's Objective-C runtime lives in GCC's private folders; find it through gcc
# itself so that a clang build uses the very same runtime and headers.
execute_process(COMMAND gcc -print-file-name=libobjc.so OUTPUT_VARIABLE NOCTIL_LIBOBJC OUTPUT_STRIP_TRAILING_WHITESPACE)
execute_process(COMMAND gcc -print-file-name=include OUTPUT_VARIABLE NOCTIL_GCC_INCLUDE OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT EXISTS "${NOCTIL_LIBOBJC}" OR NOT EXISTS "${NOCTIL_GCC_INCLUDE}/objc/runtime.h")
  message(FATAL_ERROR "GCC's Objective-C runtime was not found; install libobjc-12-dev")
endif()
# Only the objc/ headers are exposed, through a folder of our own, so clang does not
# pick up GCC's other builtin headers.
set(NOCTIL_OBJC_INCLUDE ${CMAKE_BINARY_DIR}/objc-include)
file(MAKE_DIRECTORY ${NOCTIL_OBJC_INCLUDE})
file(CREATE_LINK ${NOCTIL_GCC_INCLUDE}/objc ${NOCTIL_OBJC_INCLUDE}/objc SYMBOLIC)
add_library(objc_runtime INTERFACE)
target_include_directories(objc_runtime SYSTEM INTERFACE ${NOCTIL_OBJC_INCLUDE})
target_link_libraries(objc_runtime INTERFACE ${NOCTIL_LIBOBJC})

# The presets compile through ccache when it is installed.  Its base directory is the
# source tree and the working directory is left out of the hash, so a clone in
# another folder (CI builds a fresh one every time) finds what any other clone
# compiled.  Translation units that bake an absolute path of their tree into a
# definition (the tests' data folders) are the exception and compile again.
option(NOCTIL_CCACHE "Compile through ccache when it is installed" OFF)
if(NOCTIL_CCACHE AND NOT CMAKE_CXX_COMPILER_LAUNCHER)
  find_program(NOCTIL_CCACHE_PROGRAM ccache)
  if(NOCTIL_CCACHE_PROGRAM)
    # The fuzz build's coverage list is read by the compiler, not seen by ccache:
    # hashed along, an edit of it compiles again.
    set(launcher ${CMAKE_COMMAND} -E env CCACHE_BASEDIR=${CMAKE_SOURCE_DIR} CCACHE_NOHASHDIR=true
                 CCACHE_EXTRAFILES=${CMAKE_SOURCE_DIR}/fuzz/coverage_ignore.txt ${NOCTIL_CCACHE_PROGRAM})
    set(CMAKE_C_COMPILER_LAUNCHER ${launcher})
    set(CMAKE_CXX_COMPILER_LAUNCHER ${launcher})
  endif()
endif()

add_library(noctil_warnings INTERFACE)
target_compile_options(noctil_warnings INTERFACE -Wall -Wextra)

if(NOCTIL_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
if(NOCTIL_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
  # Optimised (-O1 keeps the sanitizers' reports exact) and with coverage feedback
  # only from code whose paths depend on the input: unoptimised, every inline
  # standard-library call became an instrumented function of its own, and libFuzzer
  # spent most of each execution updating feature frequencies (fuzz/coverage_ignore.txt).
  add_compile_options(-O1 -fsanitize-coverage-ignorelist=${CMAKE_SOURCE_DIR}/fuzz/coverage_ignore.txt)
endif()

# Tests and benchmarks find the source tree and the build tree through these.
set(NOCTIL_SOURCE_ROOT ${CMAKE_SOURCE_DIR})

# noctil_platform_library(<name> [DEPS <targets...>] [PRIVATE_DEPS <targets...>])
# Builds every .cpp under src/ of the current folder into a shared library whose
# public headers are under include/.  One library per framework stand-in, shared so
# that a tweak loaded later with dlopen sees the same process-wide state as its host.
function(noctil_platform_library name)
  cmake_parse_arguments(ARG "" "" "DEPS;PRIVATE_DEPS" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/src/*.cpp)
  add_library(${name} SHARED ${sources})
  target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/include PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${ARG_DEPS} PRIVATE noctil_warnings ${ARG_PRIVATE_DEPS})
  set_target_properties(${name} PROPERTIES LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/lib)
endfunction()
