# The WAV/AIFF reader under libFuzzer. It needs clang with its fuzzer runtime;
# where that does not build, the target and its test are simply not there.
# A short run is part of the test suite; a long one:
#   build/tests/sample_parser_fuzzer -max_total_time=600 -dict=tests/sample/fuzz/sample.dict CORPUS
find_program(KOLBRI_FUZZ_CXX NAMES clang++ clang++-16 clang++-15 clang++-14)
set(fuzz_dir ${CMAKE_CURRENT_LIST_DIR})
if(KOLBRI_FUZZ_CXX AND NOT DEFINED KOLBRI_FUZZER_WORKS)
  file(WRITE ${CMAKE_BINARY_DIR}/fuzz-probe.cpp
       "extern \"C\" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }\n")
  execute_process(COMMAND ${KOLBRI_FUZZ_CXX} -fsanitize=fuzzer,address ${CMAKE_BINARY_DIR}/fuzz-probe.cpp
                          -o ${CMAKE_BINARY_DIR}/fuzz-probe
                  RESULT_VARIABLE probe OUTPUT_QUIET ERROR_QUIET)
  if(probe EQUAL 0)
    set(KOLBRI_FUZZER_WORKS ON CACHE INTERNAL "")
  else()
    set(KOLBRI_FUZZER_WORKS OFF CACHE INTERNAL "")
  endif()
endif()
if(KOLBRI_FUZZER_WORKS)
  set(fuzz_sources
    ${fuzz_dir}/SampleParserFuzz.cpp
    ${CMAKE_SOURCE_DIR}/engine/sample/SampleFileParser.cpp
    ${CMAKE_SOURCE_DIR}/engine/sample/SampleData.cpp
    ${CMAKE_SOURCE_DIR}/engine/dsp/SampleConvert.cpp)
  set(fuzz_binary ${CMAKE_CURRENT_BINARY_DIR}/sample_parser_fuzzer)
  add_custom_command(
    OUTPUT ${fuzz_binary}
    COMMAND ${KOLBRI_FUZZ_CXX} -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined
            -fno-sanitize-recover=undefined -I${CMAKE_SOURCE_DIR} ${fuzz_sources} -o ${fuzz_binary}
    DEPENDS ${fuzz_sources} ${CMAKE_SOURCE_DIR}/engine/sample/SampleFileParser.h
            ${CMAKE_SOURCE_DIR}/engine/sample/SampleData.h
    COMMENT "Building the sample reader's fuzzer"
    VERBATIM)
  add_custom_target(sample_parser_fuzz ALL DEPENDS ${fuzz_binary})
  set(corpus ${CMAKE_CURRENT_BINARY_DIR}/sample_parser_corpus)
  file(MAKE_DIRECTORY ${corpus})
  add_test(NAME SampleParserFuzz.ShortRun
           COMMAND ${fuzz_binary} -max_total_time=30 -rss_limit_mb=2048 -dict=${fuzz_dir}/sample.dict ${corpus})
  set_tests_properties(SampleParserFuzz.ShortRun PROPERTIES TIMEOUT 300)
endif()
