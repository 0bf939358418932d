# The program under a real X server, worked through the keyboard. Only the
# normal build: the program runs as its own process with its own limits.
if(NOT QUIRRA_SANITIZE)
  add_test(NAME e2e COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/e2e/e2e.sh ${CMAKE_BINARY_DIR})
  set_tests_properties(e2e PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 400 LABELS e2e)
endif()
