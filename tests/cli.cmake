quirra_core_test(tst_cli tst_cli.cpp)
target_link_libraries(tst_cli PRIVATE quirraclilib)
# The terminal program carries no window code: neither the window libraries
# nor a symbol of the main window or a form.
if(NOT QUIRRA_SANITIZE)
  add_test(NAME cli_layers COMMAND sh -c
    "! readelf -d \"$1\" | grep -E 'libQt6(Widgets|Gui)' && ! nm -C \"$1\" | grep -E 'mdiMain|frm[A-Z]'" sh $<TARGET_FILE:quirra-cli>)
endif()
quirra_core_test(tst_cliruns tst_cliruns.cpp)
target_link_libraries(tst_cliruns PRIVATE quirraclilib)
add_dependencies(tst_cliruns quirra-cli)
target_compile_definitions(tst_cliruns PRIVATE QUIRRA_CLI_PATH="$<TARGET_FILE:quirra-cli>")
