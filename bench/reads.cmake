quirra_bench(bench_reads bench_reads.cpp)
add_dependencies(bench_reads quirra-cli)
target_compile_definitions(bench_reads PRIVATE QUIRRA_CLI_PATH="$<TARGET_FILE:quirra-cli>")
