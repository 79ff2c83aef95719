# Source conventions, so that adding a file never means editing a build list:
#   name.cpp           portable code, built everywhere
#   name_win.cpp       Win32 calls, built only for Windows
#   name_host.cpp      the plain stand-in of a system call for host tests, never built for Windows
#   name_test.cpp      host unit tests (GoogleTest), one binary per folder
#   name_wintest.cpp   tests that need Win32, one binary per folder, run under Wine
#   *main_win.cpp      program entry points, kept out of the libraries

set(BX_WARNINGS -Wall -Wextra -Werror -Wno-missing-field-initializers)

function(bx_warnings target)
  target_compile_options(${target} PRIVATE ${BX_WARNINGS})
endfunction()

# Lists the library sources of a folder for the current platform.
function(bx_sources out dir)
  file(GLOB srcs CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.c)
  list(FILTER srcs EXCLUDE REGEX "_(test|wintest)\\.cpp$")
  list(FILTER srcs EXCLUDE REGEX "main_win\\.cpp$")
  if(WIN32)
    list(FILTER srcs EXCLUDE REGEX "_host\\.cpp$")
  else()
    list(FILTER srcs EXCLUDE REGEX "_win\\.cpp$")
  endif()
  set(${out} ${srcs} PARENT_SCOPE)
endfunction()

# The Windows test programs that also run in the 64-bit prefix (ctest label
# "wow64", the second Windows pass of scripts/test.sh): those whose code meets
# folders, the registry or components, which 64-bit Windows redirects for
# our 32-bit programs. The others (resource data, networking, the testkit,
# the wizard's drawing) behave the same in both prefixes.
set(BX_WOW64_TESTS core package crash records actions uninstall setup e2e)

# Adds the test binaries of a folder: host tests natively, Win32 tests under
# the cross-compiling emulator (Wine).
function(bx_tests name dir)
  cmake_parse_arguments(T "" "" "LIBS" ${ARGN})
  if(WIN32)
    file(GLOB tests CONFIGURE_DEPENDS ${dir}/*_wintest.cpp)
    set(exe ${name}_wintests)
  else()
    file(GLOB tests CONFIGURE_DEPENDS ${dir}/*_test.cpp)
    set(exe ${name}_tests)
  endif()
  if(NOT tests)
    return()
  endif()
  add_executable(${exe} ${tests})
  bx_warnings(${exe})
  target_link_libraries(${exe} PRIVATE ${T_LIBS} GTest::gtest_main)
  if(WIN32)
    target_link_libraries(${exe} PRIVATE bx_testkit)
  endif()
  add_test(NAME ${exe} COMMAND ${exe} --gtest_color=no)
  # Generous for 32-bit Wine through QEMU on a busy machine: a hung test is
  # ended by the testkit's bound on each wait (2 minutes) long before this, and
  # a timeout here still names it in the output: its last "[ RUN ]" line.
  set_tests_properties(${exe} PROPERTIES TIMEOUT 600)
  if(WIN32)
    # Windows tests find the build's artefacts through this (testkit/paths.h);
    # Wine shows the Unix root as drive Z:.
    string(REPLACE "/" "\\" build_dir_windows "${CMAKE_BINARY_DIR}")
    set_tests_properties(${exe} PROPERTIES ENVIRONMENT "BX_BUILD_DIR=Z:${build_dir_windows}")
    if(name IN_LIST BX_WOW64_TESTS)
      set_tests_properties(${exe} PROPERTIES LABELS wow64)
    endif()
  endif()
endfunction()
