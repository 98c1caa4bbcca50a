# SPDX-License-Identifier: GPL-3.0-or-later
# Compiler flags of the checked build (scripts/check): AddressSanitizer and
# UndefinedBehaviorSanitizer on every target of the project, so the suite and
# the fuzz targets run the checked libraries. Qt, SQLite and the C++ library
# stay as Debian built them.
if(MORVANE_SANITIZE OR MORVANE_FUZZ)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

if(MORVANE_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "MORVANE_FUZZ needs clang and its libFuzzer: configure with CC=clang CXX=clang++")
  endif()
  # Coverage feedback for the fuzzer in every library; only the fuzz targets
  # link libFuzzer itself (fuzz/CMakeLists.txt), so the test executables of
  # the same build keep their own main.
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()
