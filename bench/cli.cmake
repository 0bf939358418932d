quirra_bench(bench_cli bench_cli.cpp)
add_dependencies(bench_cli quirra-cli)
target_compile_definitions(bench_cli PRIVATE QUIRRA_CLI_PATH="$<TARGET_FILE:quirra-cli>"
                                              QUIRRA_DEMO_DIR="${CMAKE_SOURCE_DIR}/demo")
# The window's figures come from bench_device, listed by another area file:
# look for it once every list has been read.
function(quirra_bench_cli_window)
  if(TARGET bench_device)
    add_dependencies(bench_cli bench_device)
    target_compile_definitions(bench_cli PRIVATE QUIRRA_BENCH_DEVICE_PATH="$<TARGET_FILE:bench_device>")
  endif()
endfunction()
cmake_language(DEFER CALL quirra_bench_cli_window)
quirra_bench(bench_startup bench_startup.cpp)
add_dependencies(bench_startup quirra-cli)
target_compile_definitions(bench_startup PRIVATE QUIRRA_CLI_PATH="$<TARGET_FILE:quirra-cli>")

quirra_bench(bench_soak bench_soak.cpp)
add_dependencies(bench_soak quirra-cli)
target_compile_definitions(bench_soak PRIVATE QUIRRA_CLI_PATH="$<TARGET_FILE:quirra-cli>")
