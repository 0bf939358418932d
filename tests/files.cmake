quirra_test(tst_files tst_files.cpp)
