# Concurrent load through lighttpd (tests/integration/load_test.py, Debian's python3 with PIL).
add_test(NAME load_300_requests
         COMMAND /usr/bin/python3 ${CMAKE_SOURCE_DIR}/tests/integration/load_test.py
                 ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR})
set_tests_properties(load_300_requests PROPERTIES LABELS integration TIMEOUT 300 RUN_SERIAL TRUE)
