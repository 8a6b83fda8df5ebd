# libFuzzer target for the model evaluation: arbitrary model files loaded and evaluated at one
# moment. Built only by clang (see fuzz_model.cmake for an instrumented tree), then:
#   build-fuzz/fuzz_evaluate fuzz/corpus/model -max_total_time=60
if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  add_executable(fuzz_evaluate ${CMAKE_SOURCE_DIR}/fuzz/evaluate_fuzz.cpp)
  target_compile_options(fuzz_evaluate PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_options(fuzz_evaluate PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_libraries(fuzz_evaluate PRIVATE sd_eval)
endif()
