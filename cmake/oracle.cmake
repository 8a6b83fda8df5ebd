# Oracle tests: this system's astronomy against Swiss Ephemeris (libswe, built-in Moshier
# ephemeris, no data files). Swiss Ephemeris is linked here only, never into the programs.
file(GLOB oracle_srcs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/oracle/*.cpp)
if(oracle_srcs)
  find_path(SWE_INCLUDE_DIR swephexp.h REQUIRED)
  find_library(SWE_LIBRARY swe REQUIRED)
  add_executable(test_oracle ${oracle_srcs})
  target_include_directories(test_oracle PRIVATE ${SWE_INCLUDE_DIR} ${CMAKE_SOURCE_DIR}/tests/oracle)
  target_link_libraries(test_oracle PRIVATE sd_astro sd_timeline ${SWE_LIBRARY} m dl
                        GTest::gtest GTest::gtest_main GTest::gmock)
  stockdyn_build_paths(test_oracle)
  gtest_discover_tests(test_oracle PROPERTIES LABELS oracle DISCOVERY_TIMEOUT 60)
endif()
