quirra_core_test(tst_cli tst_cli.cpp)
target_link_libraries(tst_cli PRIVATE quirraclilib)
add_dependencies(tst_cli quirra-cli)
target_compile_definitions(tst_cli PRIVATE QUIRRA_CLI_PATH="$<TARGET_FILE:quirra-cli>")
