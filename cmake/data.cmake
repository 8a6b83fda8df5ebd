# Shipped data, converted at build time by the stockdyn tool from the readable sources in
# assets/ and installed into the program directory: the natal database Nyse.mil from the
# securities CSV, and towns.nd / towns.ndx from the gazetteer.
set(STOCKDYN_NATAL_SOURCE ${CMAKE_SOURCE_DIR}/assets/first-trades.csv)
set(STOCKDYN_TOWNS_SOURCE ${CMAKE_SOURCE_DIR}/assets/towns.txt)

add_custom_command(
  OUTPUT ${EXE_DIR}/Nyse.mil ${EXE_DIR}/tickers.csv
  COMMAND stockdyn natal import ${STOCKDYN_NATAL_SOURCE} ${EXE_DIR}/Nyse.mil --tickers ${EXE_DIR}/tickers.csv
  DEPENDS stockdyn ${STOCKDYN_NATAL_SOURCE}
  COMMENT "Converting the securities into Nyse.mil"
  VERBATIM)
add_custom_command(
  OUTPUT ${EXE_DIR}/towns.nd ${EXE_DIR}/towns.ndx
  COMMAND stockdyn towns build ${STOCKDYN_TOWNS_SOURCE} ${EXE_DIR}
  DEPENDS stockdyn ${STOCKDYN_TOWNS_SOURCE}
  COMMENT "Building the towns database"
  VERBATIM)

# Unit-test programs live in the build directory, which is their program directory: a request
# served inside one finds the data files there, as the installed program does beside itself.
set(stockdyn_data_files Nyse.mil tickers.csv towns.nd towns.ndx)
set(stockdyn_data_outputs "")
foreach(f ${stockdyn_data_files})
  add_custom_command(
    OUTPUT ${CMAKE_BINARY_DIR}/${f}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${EXE_DIR}/${f} ${CMAKE_BINARY_DIR}/${f}
    DEPENDS ${EXE_DIR}/${f}
    VERBATIM)
  list(APPEND stockdyn_data_outputs ${EXE_DIR}/${f} ${CMAKE_BINARY_DIR}/${f})
endforeach()
add_custom_target(stockdyn_data ALL DEPENDS ${stockdyn_data_outputs})
foreach(t test_host test_cgi test_cli test_integration)
  if(TARGET ${t})
    add_dependencies(${t} stockdyn_data)
  endif()
endforeach()

# The form offers the shipped securities by the names the database stores: the name column
# of the CSV, which the import stores unchanged (an integration test compares the two).
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${STOCKDYN_NATAL_SOURCE})
# A ';' would split a CMake list; it is kept apart while the lines are split.
file(READ ${STOCKDYN_NATAL_SOURCE} stockdyn_csv_text)
string(ASCII 1 stockdyn_semicolon)
string(REPLACE ";" "${stockdyn_semicolon}" stockdyn_csv_text "${stockdyn_csv_text}")
string(REPLACE "\n" ";" stockdyn_csv_lines "${stockdyn_csv_text}")
list(POP_FRONT stockdyn_csv_lines)  # the header
set(STOCKDYN_SECURITIES "")
foreach(line IN LISTS stockdyn_csv_lines)
  string(REGEX REPLACE "\r$" "" line "${line}")
  set(name "")
  if(line MATCHES "^\"((\"\"|[^\"])*)\"")
    string(REPLACE "\"\"" "\"" name "${CMAKE_MATCH_1}")
  elseif(line MATCHES "^([^,]*)")
    set(name "${CMAKE_MATCH_1}")
  endif()
  if(name MATCHES "${stockdyn_semicolon}")
    message(FATAL_ERROR "${STOCKDYN_NATAL_SOURCE}: the name of line '${line}' holds a ';', which the form's list cannot carry")
  endif()
  if(NOT name STREQUAL "")
    list(APPEND STOCKDYN_SECURITIES "${name}")
  endif()
endforeach()
