# Browser end to end: lighttpd + headless Chromium driven by playwright-core (tests/e2e).
find_program(NODE_EXECUTABLE node)
if(NODE_EXECUTABLE)
  add_test(NAME e2e_form_submit
           COMMAND ${NODE_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/e2e/form.mjs ${CMAKE_BINARY_DIR})
  set_tests_properties(e2e_form_submit PROPERTIES LABELS e2e TIMEOUT 180 RUN_SERIAL TRUE)
endif()
if(NODE_EXECUTABLE)
  add_test(NAME e2e_forecast_page
           COMMAND ${NODE_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/e2e/forecast_page.mjs ${CMAKE_BINARY_DIR})
  set_tests_properties(e2e_forecast_page PROPERTIES LABELS e2e TIMEOUT 180 RUN_SERIAL TRUE)
endif()
