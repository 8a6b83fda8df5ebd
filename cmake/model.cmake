# The shipped forecast model, installed into the program directory beside the CGI.
set(STOCKDYN_MODEL_SOURCE ${CMAKE_SOURCE_DIR}/assets/stock.hyp)
add_custom_command(
  OUTPUT ${EXE_DIR}/stock.hyp
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${STOCKDYN_MODEL_SOURCE} ${EXE_DIR}/stock.hyp
  DEPENDS ${STOCKDYN_MODEL_SOURCE}
  COMMENT "Installing the model stock.hyp")
add_custom_target(stockdyn_model ALL DEPENDS ${EXE_DIR}/stock.hyp)

# The forecast command's integration tests run the tool on the installed model.
if(TARGET test_integration)
  add_dependencies(test_integration stockdyn stockdyn_model)
endif()
