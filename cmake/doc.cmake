# Tests of what is not C++. The README's examples that show their output, run and compared (label
# doc: the plain pass only, since their figures are what a user's build prints).
add_test(NAME readme_examples
         COMMAND /usr/bin/python3 ${CMAKE_SOURCE_DIR}/tests/doc/readme_examples.py ${CMAKE_SOURCE_DIR}/README.md
                 ${CMAKE_BINARY_DIR})
set_tests_properties(readme_examples PROPERTIES LABELS doc TIMEOUT 600)

# The closing line of ./test, read from ctest's log.
add_test(NAME test_verdict_script COMMAND /usr/bin/python3 ${CMAKE_SOURCE_DIR}/tests/scripts/test_verdict_test.py)
set_tests_properties(test_verdict_script PROPERTIES LABELS unit TIMEOUT 60)

# The README's drawing of the rooms (docs/rooms.dot) against the libraries the build defines now.
add_test(NAME rooms_drawing COMMAND ${CMAKE_SOURCE_DIR}/tools/draw-rooms --check)
set_tests_properties(rooms_drawing PROPERTIES LABELS doc TIMEOUT 300)
