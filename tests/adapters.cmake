quirra_test(tst_adapters tst_adapters.cpp)
add_dependencies(tst_adapters quirra-cli)
target_compile_definitions(tst_adapters PRIVATE QUIRRA_CLI_PATH="$<TARGET_FILE:quirra-cli>")
