quirra_test(tst_link tst_link.cpp)
quirra_test(tst_mainwindow tst_mainwindow.cpp)
