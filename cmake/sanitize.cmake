# The sanitizer build (-DSTOCKDYN_SANITIZE=ON): every program carries the project's leak
# suppressions and sanitizer defaults compiled in, so that a CGI started by lighttpd, which
# passes no environment of ours, reports the same as a test run from ctest. The suppressions
# are those of tests/sanitizers/lsan.supp, for leaks inside system libraries only.
if(STOCKDYN_SANITIZE)
  file(READ ${CMAKE_SOURCE_DIR}/tests/sanitizers/lsan.supp stockdyn_lsan_supp)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
               ${CMAKE_SOURCE_DIR}/tests/sanitizers/lsan.supp)
  string(REPLACE "\\" "\\\\" stockdyn_lsan_supp "${stockdyn_lsan_supp}")
  string(REPLACE "\"" "\\\"" stockdyn_lsan_supp "${stockdyn_lsan_supp}")
  string(REPLACE "\n" "\\n\"\n    \"" stockdyn_lsan_supp "${stockdyn_lsan_supp}")
  configure_file(${CMAKE_SOURCE_DIR}/tests/sanitizers/sanitizer_defaults.cpp.in
                 ${CMAKE_BINARY_DIR}/sanitizer_defaults.cpp @ONLY)
  # In the base library every program links; the linker is told to keep the hooks, which
  # nothing of ours calls.
  target_sources(sd_calendar PRIVATE ${CMAKE_BINARY_DIR}/sanitizer_defaults.cpp)
  target_link_options(sd_calendar INTERFACE
    -Wl,--undefined=__lsan_default_suppressions -Wl,--undefined=__asan_default_options
    -Wl,--undefined=__ubsan_default_options)
endif()

# Benchmarks measure the plain build; the sanitizer build leaves them out of "all" (deferred,
# so that targets defined after this file count too).
function(stockdyn_sanitize_skip_benchmarks)
  get_property(targets DIRECTORY ${CMAKE_SOURCE_DIR} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(t ${targets})
    get_target_property(srcs ${t} SOURCES)
    if(srcs MATCHES "${CMAKE_SOURCE_DIR}/bench/")
      set_target_properties(${t} PROPERTIES EXCLUDE_FROM_ALL ON)
    endif()
  endforeach()
endfunction()
if(STOCKDYN_SANITIZE)
  cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL stockdyn_sanitize_skip_benchmarks)
endif()
