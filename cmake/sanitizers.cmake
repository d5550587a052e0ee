# Whole-build instrumentation, used by `./dev sanitize` and `./dev fuzz` (both build with clang in
# trees of their own; the everyday build sets none of this).
#
#   TARN_SANITIZE=address   AddressSanitizer with UndefinedBehaviorSanitizer, every finding fatal
#   TARN_SANITIZE=thread    ThreadSanitizer, plus the Qt hand-off annotations of
#                           tests/sanitizers/qthandoff.cpp linked into every program
#   TARN_BUILD_FUZZERS      builds the libFuzzer harnesses of tests/fuzz (clang only)
#   TARN_FUZZ_COVERAGE      coverage feedback in every library, not only in the harnesses, so
#                           that long fuzzing runs can find their way into the parsers
set(TARN_SANITIZE "" CACHE STRING "Instrument the whole build: address (with undefined) or thread")
option(TARN_FUZZ_COVERAGE "Coverage feedback for libFuzzer in every target" OFF)

if(TARN_SANITIZE STREQUAL "address")
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
elseif(TARN_SANITIZE STREQUAL "thread")
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
  add_library(tarn_qthandoff OBJECT ${CMAKE_SOURCE_DIR}/tests/sanitizers/qthandoff.cpp)
  target_link_libraries(tarn_qthandoff PUBLIC Qt5::Core ${CMAKE_DL_LIBS})
  # Every program made from here on carries the annotations.
  link_libraries(tarn_qthandoff)
elseif(NOT TARN_SANITIZE STREQUAL "")
  message(FATAL_ERROR "TARN_SANITIZE is 'address' or 'thread', not '${TARN_SANITIZE}'")
endif()

if(TARN_BUILD_FUZZERS OR TARN_FUZZ_COVERAGE)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "libFuzzer harnesses need clang (configure with -DCMAKE_CXX_COMPILER=clang++)")
  endif()
  if(TARN_SANITIZE STREQUAL "thread")
    message(FATAL_ERROR "libFuzzer harnesses are built with address, not thread")
  endif()
endif()
if(TARN_FUZZ_COVERAGE)
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()
