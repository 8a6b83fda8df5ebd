# The JSON API: its library, its CGI program in the program directory beside srv_stock_dyn,
# its unit tests, and the trader's page that reads it, copied into the web root.
stockdyn_library(sd_api
  src/api/chart_route.cpp
  src/api/day_ask.cpp
  src/api/events_route.cpp
  src/api/forecast_route.cpp
  src/api/http.cpp
  src/api/router.cpp
  src/api/securities.cpp
  src/api/url_query.cpp
  src/api/zones.cpp)
target_link_libraries(sd_api PUBLIC sd_host sd_timeline)

add_executable(srv_stock_api ${CMAKE_SOURCE_DIR}/src/srv_stock_api.cpp)
target_link_libraries(srv_stock_api PRIVATE sd_api)
set_target_properties(srv_stock_api PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${EXE_DIR})

stockdyn_tests(api sd_api unit)

set(stockdyn_page_files forecast.html forecast.css forecast.js)
set(stockdyn_page_outputs "")
foreach(f ${stockdyn_page_files})
  add_custom_command(
    OUTPUT ${WWW_DIR}/${f}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${CMAKE_SOURCE_DIR}/assets/${f} ${WWW_DIR}/${f}
    DEPENDS ${CMAKE_SOURCE_DIR}/assets/${f}
    VERBATIM)
  list(APPEND stockdyn_page_outputs ${WWW_DIR}/${f})
endforeach()
add_custom_target(stockdyn_page ALL DEPENDS ${stockdyn_page_outputs})

# The integration tests serve the web root with the API and its page in it.
if(TARGET test_integration)
  add_dependencies(test_integration srv_stock_api stockdyn_page)
endif()
