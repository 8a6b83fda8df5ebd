# libFuzzer target for the natal and towns database readers and the securities CSV parser.
# Built only by clang; for coverage of the libraries configure a separate tree as described in
# fuzz_model.cmake, then:
#   build-fuzz/fuzz_natal_db fuzz/corpus/natal -max_total_time=60
if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  add_executable(fuzz_natal_db ${CMAKE_SOURCE_DIR}/fuzz/natal_db_fuzz.cpp)
  target_compile_options(fuzz_natal_db PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_options(fuzz_natal_db PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_libraries(fuzz_natal_db PRIVATE sd_data)
endif()
