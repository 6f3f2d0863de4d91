# SPDX-License-Identifier: GPL-3.0-or-later
# Compile settings shared by every target of the project, in one place.
add_library(feedrite_common INTERFACE)
target_compile_features(feedrite_common INTERFACE cxx_std_20)
set(CMAKE_CXX_EXTENSIONS OFF)

target_compile_options(feedrite_common INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Wold-style-cast
  -Wnon-virtual-dtor -Woverloaded-virtual)
if(FEEDRITE_WERROR)
  target_compile_options(feedrite_common INTERFACE -Werror)
endif()
# GCC 12 at -O3 (the release preset) warns -Wrestrict inside libstdc++'s
# std::string, where operator+ and insert inline char_traits::copy: "accessing
# 9223372036854775810 or more bytes ... may overlap", sizes no string can
# have (GCC bug 105329). Every one of them (31 in a release build) was in
# char_traits.h, none in our code; only that compiler at -O3 loses the
# warning (the ci preset's -O2 gives none, and clang-tidy reads its flags).
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_GREATER_EQUAL 12
   AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  target_compile_options(feedrite_common INTERFACE $<$<CONFIG:Release>:-Wno-restrict>)
endif()

# Qt code must say how a byte string becomes text: the program's files are
# Latin-1, never UTF-8, so implicit conversions are switched off.
target_compile_definitions(feedrite_common INTERFACE
  QT_NO_CAST_FROM_ASCII
  QT_NO_CAST_TO_ASCII
  QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
  FEEDRITE_VERSION="${PROJECT_VERSION}")

# Sanitizers: every fault stops the run (no recovery), with a stack trace.
if(FEEDRITE_SANITIZE OR FEEDRITE_FUZZ)
  # float-cast-overflow is not part of "undefined": a number read from a file
  # must be range-checked before it becomes an integer.
  set(feedrite_sanitizers -fsanitize=address,undefined,float-cast-overflow -fno-sanitize-recover=all
      -fno-omit-frame-pointer)
  target_compile_options(feedrite_common INTERFACE ${feedrite_sanitizers})
  target_link_options(feedrite_common INTERFACE ${feedrite_sanitizers})
endif()
# Fuzzing: the code is instrumented for coverage; each target links libFuzzer.
if(FEEDRITE_FUZZ)
  target_compile_options(feedrite_common INTERFACE -fsanitize=fuzzer-no-link)
endif()
