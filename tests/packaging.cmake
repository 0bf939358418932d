# The installed tree and the Debian package. Sanitizer builds are not
# shipped, so only the normal build checks them.
if(NOT QUIRRA_SANITIZE)
  add_test(NAME install_layout
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/packaging/install_layout.sh ${CMAKE_BINARY_DIR}
            quirra quirra-sim $<$<TARGET_EXISTS:quirra-cli>:quirra-cli>)
  set_tests_properties(install_layout PROPERTIES TIMEOUT 180)
endif()
