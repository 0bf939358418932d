quirra_bench(bench_cli bench_cli.cpp)
add_dependencies(bench_cli quirra-cli)
target_compile_definitions(bench_cli PRIVATE QUIRRA_CLI_PATH="$<TARGET_FILE:quirra-cli>")
