# libFuzzer target for the model loader and its tests. Built only by clang; for useful coverage
# configure a separate tree with the libraries instrumented too, for example:
#   CXX=clang++ CC=clang cmake -S . -B build-fuzz -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link,address
#   cmake --build build-fuzz --target fuzz_model_load
#   build-fuzz/fuzz_model_load fuzz/corpus/model -max_total_time=60
if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  add_executable(fuzz_model_load ${CMAKE_SOURCE_DIR}/fuzz/model_load_fuzz.cpp)
  target_compile_options(fuzz_model_load PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_options(fuzz_model_load PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_libraries(fuzz_model_load PRIVATE sd_model)
endif()
