quirra_test(tst_files tst_files.cpp)
quirra_test(tst_filecommands tst_filecommands.cpp)
