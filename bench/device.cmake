quirra_bench(bench_device bench_device.cpp)
