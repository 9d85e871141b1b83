# libFuzzer targets: one executable per tests/fuzz/*_fuzz.cpp, with the logic compiled under the
# same sanitizers so that a fault inside it is caught where it happens.

if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  message(WARNING "TOLLIVOX_FUZZ needs clang: the fuzz targets are not built")
  return()
endif()

set(TOLLIVOX_FUZZ_SECONDS 30 CACHE STRING "How long each fuzz target runs under CTest")

tollivox_glob(fuzzSources fuzz/*_fuzz.cpp)
if(NOT fuzzSources)
  return()
endif()

set(sanitizers -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)

get_property(coreSources GLOBAL PROPERTY TOLLIVOX_CORE_SOURCES)
get_property(simSources GLOBAL PROPERTY TOLLIVOX_SIM_SOURCES)
if(coreSources OR simSources)
  add_library(tollivox_fuzz_code OBJECT ${coreSources} ${simSources})
  target_link_libraries(tollivox_fuzz_code PUBLIC tollivox_headers)
  target_compile_options(tollivox_fuzz_code PRIVATE -fsanitize=fuzzer-no-link ${sanitizers})
endif()

foreach(source IN LISTS fuzzSources)
  get_filename_component(name ${source} NAME_WE)
  add_executable(${name} ${source})
  target_link_libraries(${name} PRIVATE tollivox_headers)
  if(TARGET tollivox_fuzz_code)
    target_link_libraries(${name} PRIVATE tollivox_fuzz_code)
  endif()
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer ${sanitizers})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer ${sanitizers})

  # New inputs go to the build tree; a seed corpus in tests/fuzz/corpus/<name>/ is only read.
  set(workCorpus ${CMAKE_CURRENT_BINARY_DIR}/corpus/${name})
  file(MAKE_DIRECTORY ${workCorpus})
  set(corpora ${workCorpus})
  if(IS_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/corpus/${name})
    list(APPEND corpora ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/corpus/${name})
  endif()
  set(dictionary)
  if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/${name}.dict)
    set(dictionary -dict=${CMAKE_CURRENT_SOURCE_DIR}/fuzz/${name}.dict)
  endif()
  add_test(NAME ${name}
    COMMAND ${name} -max_total_time=${TOLLIVOX_FUZZ_SECONDS} -timeout=10 ${dictionary} ${corpora})
  math(EXPR fuzzTimeout "${TOLLIVOX_FUZZ_SECONDS} + 120")
  set_tests_properties(${name} PROPERTIES LABELS fuzz TIMEOUT ${fuzzTimeout})
endforeach()
