# src/astro/series_tables.cpp is generated from tools/series-data by tools/gen_series_tables.py
# and kept in the tree; this test fails when the two drift apart.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
add_test(NAME series_tables_generated
         COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/tools/series_tables_check.py ${CMAKE_SOURCE_DIR})
set_tests_properties(series_tables_generated PROPERTIES LABELS unit TIMEOUT 60)
