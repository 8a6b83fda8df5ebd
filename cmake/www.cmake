# The web root: the form page, the installation settings and the picture directory.
#
# The form's zone list is the program's zone table, in its order; a test compares the two.
# STOCKDYN_SECURITIES, set by data.cmake (included before this file), is the list of security
# names offered by the form.
set(STOCKDYN_ZONES
  GST JST AEST ACST AWST CCT JT SSUT IST GMT CET EET Moscow
  NST EWT AST EST CWT CST MDT MST PDT PST AHST HST)

function(stockdyn_html_escape out text)
  string(REPLACE "&" "&amp;" text "${text}")
  string(REPLACE "<" "&lt;" text "${text}")
  string(REPLACE ">" "&gt;" text "${text}")
  string(REPLACE "\"" "&quot;" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

set(ZONE_OPTIONS "")
foreach(zone ${STOCKDYN_ZONES})
  if(zone STREQUAL "EST")
    string(APPEND ZONE_OPTIONS "<option value=\"${zone}\" selected>${zone}</option>\n")
  else()
    string(APPEND ZONE_OPTIONS "<option value=\"${zone}\">${zone}</option>\n")
  endif()
endforeach()

set(SECURITY_OPTIONS "")
foreach(name IN LISTS STOCKDYN_SECURITIES)
  stockdyn_html_escape(escaped "${name}")
  string(APPEND SECURITY_OPTIONS "<option value=\"${escaped}\">\n")
endforeach()

configure_file(${CMAKE_SOURCE_DIR}/assets/index.html.in ${WWW_DIR}/index.html @ONLY NEWLINE_STYLE UNIX)

# An installation's own settings survive a rebuild: the file is written only when missing.
if(NOT EXISTS ${EXE_DIR}/srv_stock_dyn.ini)
  file(WRITE ${EXE_DIR}/srv_stock_dyn.ini
    "[Site]\n"
    "; Scheme and host that publish Exe/Temp/ as /Exe/Temp/, e.g. http://example.org.\n"
    "; Empty: picture URLs are root-relative.\n"
    "ImageBaseUrl=\n"
    "; Minutes a picture in Exe/Temp/ is kept before a later request removes it; 0 keeps all.\n"
    "PictureLifetimeMinutes=60\n")
endif()
file(MAKE_DIRECTORY ${EXE_DIR}/Temp)
