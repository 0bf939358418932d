quirra_bench(bench_buffer bench_buffer.cpp)
