# The installed tree and the Debian package. Sanitizer builds are not
# shipped, so only the normal build checks them.
if(NOT QUIRRA_SANITIZE)
  add_test(NAME install_layout
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/packaging/install_layout.sh ${CMAKE_BINARY_DIR}
            quirra quirra-sim $<$<TARGET_EXISTS:quirra-cli>:quirra-cli>)
  set_tests_properties(install_layout PROPERTIES TIMEOUT 180)
endif()
# quirra-cli's bash completion, sourced into bash, against the demo catalogue.
if(TARGET quirra-cli)
  add_test(NAME bash_completion
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/packaging/completion.sh ${PROJECT_SOURCE_DIR}/packaging/quirra-cli.bash
            $<TARGET_FILE:quirra-cli> ${PROJECT_SOURCE_DIR}/demo)
  set_tests_properties(bash_completion PROPERTIES TIMEOUT 60)
endif()
