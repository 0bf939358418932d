quirra_bench(bench_link bench_link.cpp)
