# Integration tests: the built programs, run as the web server runs them, and the web root
# served through scripts/serve.
file(GLOB integration_srcs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/integration/*.cpp)
if(integration_srcs)
  add_executable(test_integration ${integration_srcs})
  target_link_libraries(test_integration PRIVATE sd_cgi GTest::gtest GTest::gtest_main nlohmann_json::nlohmann_json)
  stockdyn_build_paths(test_integration)
  # The tests run what the build installs into the web root.
  add_dependencies(test_integration srv_stock_dyn)
  gtest_discover_tests(test_integration PROPERTIES LABELS integration TIMEOUT 600 DISCOVERY_TIMEOUT 60)
endif()
