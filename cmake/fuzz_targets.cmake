# Fuzz targets: each tests/fuzz/<name>_fuzz.cpp defines LLVMFuzzerTestOneInput over one reader of
# outside input. Every build makes replay_<name>, the same entry function driven by a plain
# main over files, and the suite replays the seed corpus tests/fuzz/corpus/<name> and every input
# that once broke the target, tests/fuzz/regressions/<name>, through it. Clang builds also make
# fuzz_<name> with libFuzzer; ./fuzz configures build-fuzz with the libraries instrumented
# and runs each target for a bounded time.
set(stockdyn_fuzz_targets
  "model_load sd_model"
  "natal_db sd_data"
  "evaluate sd_eval"
  "query sd_cgi"
  "ini_model sd_model"
  "towns sd_data"
  "chart sd_astro")

foreach(entry ${stockdyn_fuzz_targets})
  separate_arguments(entry)
  list(GET entry 0 name)
  list(GET entry 1 lib)
  set(src ${CMAKE_SOURCE_DIR}/tests/fuzz/${name}_fuzz.cpp)

  add_executable(replay_${name} ${src} ${CMAKE_SOURCE_DIR}/tests/fuzz/replay_main.cpp)
  target_link_libraries(replay_${name} PRIVATE ${lib})
  stockdyn_build_paths(replay_${name})
  add_test(NAME fuzz_replay.${name}
    COMMAND replay_${name} ${CMAKE_SOURCE_DIR}/tests/fuzz/corpus/${name}
            ${CMAKE_SOURCE_DIR}/tests/fuzz/regressions/${name})
  set_tests_properties(fuzz_replay.${name} PROPERTIES LABELS unit TIMEOUT 300)

  if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    add_executable(fuzz_${name} ${src})
    target_compile_options(fuzz_${name} PRIVATE -fsanitize=fuzzer,address,undefined
                           -fno-sanitize-recover=undefined)
    target_link_options(fuzz_${name} PRIVATE -fsanitize=fuzzer,address,undefined)
    target_link_libraries(fuzz_${name} PRIVATE ${lib})
    stockdyn_build_paths(fuzz_${name})
  endif()
endforeach()
