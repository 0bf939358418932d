quirra_bench(bench_files bench_files.cpp)
