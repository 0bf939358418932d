quirra_test(tst_options tst_options.cpp)
