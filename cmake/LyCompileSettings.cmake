# One INTERFACE target carries the compile settings every library and executable shares.
add_library(ly_settings INTERFACE)
add_library(Ly::settings ALIAS ly_settings)

target_compile_features(ly_settings INTERFACE cxx_std_20)
set(CMAKE_CXX_EXTENSIONS OFF)

target_compile_options(ly_settings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual)
if(LY_WARNINGS_AS_ERRORS)
  target_compile_options(ly_settings INTERFACE -Werror)
endif()

target_compile_definitions(ly_settings INTERFACE QT_NO_KEYWORDS QT_NO_URL_CAST_FROM_STRING)

# Program code spells out every text conversion; tests, which are full of literals, do not
# link this (libraries link it PRIVATE so it does not travel to their users).
add_library(ly_strict_strings INTERFACE)
target_compile_definitions(ly_strict_strings INTERFACE
  QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII QT_NO_CAST_FROM_BYTEARRAY)

if(LY_SANITIZE)
  list(JOIN LY_SANITIZE "," _ly_sanitizers)
  target_compile_options(ly_settings INTERFACE
    -fsanitize=${_ly_sanitizers} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  target_link_options(ly_settings INTERFACE -fsanitize=${_ly_sanitizers})
endif()

# Every library gets the fuzzer's coverage instrumentation; the fuzz targets link its driver.
if(LY_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "LY_FUZZ needs clang (the fuzz preset sets it)")
  endif()
  target_compile_options(ly_settings INTERFACE -fsanitize=fuzzer-no-link)
endif()
