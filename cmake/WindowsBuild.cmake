# What the cross build for Windows needs beyond the toolchain. Debian ships {fmt},
# CLI11 and GoogleTest for the host only: {fmt} and CLI11 are used header-only,
# GoogleTest is built from its sources with the same toolchain, and everything that
# runs at test time runs under wine, in a prefix of the build's own.

# Only the libraries' own folders are exposed: /usr/include as a whole would put the
# host's C library in front of mingw's.
set(TAV_HOST_HEADERS ${CMAKE_BINARY_DIR}/host-headers)
foreach(dir fmt CLI)
  if(NOT EXISTS /usr/include/${dir})
    message(FATAL_ERROR "/usr/include/${dir} is missing: install libfmt-dev and libcli11-dev")
  endif()
  file(MAKE_DIRECTORY ${TAV_HOST_HEADERS})
  file(CREATE_LINK /usr/include/${dir} ${TAV_HOST_HEADERS}/${dir} SYMBOLIC)
endforeach()

add_library(fmt::fmt INTERFACE IMPORTED GLOBAL)
target_include_directories(fmt::fmt SYSTEM INTERFACE ${TAV_HOST_HEADERS})
target_compile_definitions(fmt::fmt INTERFACE FMT_HEADER_ONLY=1)

add_library(CLI11::CLI11 INTERFACE IMPORTED GLOBAL)
target_include_directories(CLI11::CLI11 SYSTEM INTERFACE ${TAV_HOST_HEADERS})

if(TAV_BUILD_TESTS)
  set(TAV_GOOGLETEST_SOURCES /usr/src/googletest CACHE PATH "GoogleTest's sources")
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${TAV_GOOGLETEST_SOURCES} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  # Not our code, not our warnings. The sources define GTest::gtest_main themselves.
  target_compile_options(gtest PRIVATE -w)
  target_compile_options(gtest_main PRIVATE -w)
endif()

# ctest runs the Windows executables under wine: no display, no messages from wine
# itself, no offer to install .NET or a browser engine. Wine names the files on disk
# in the locale's encoding, and only a UTF-8 one holds every name Windows can.
find_program(TAV_WINE wine REQUIRED)
set(TAV_WINE_PREFIX ${CMAKE_BINARY_DIR}/wine)
set(CMAKE_CROSSCOMPILING_EMULATOR
    ${CMAKE_COMMAND} -E env --unset=DISPLAY LC_ALL=C.UTF-8 WINEPREFIX=${TAV_WINE_PREFIX}
    WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml= ${TAV_WINE})
