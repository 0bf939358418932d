quirra_test(tst_mainwindow tst_mainwindow.cpp)
