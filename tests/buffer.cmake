quirra_test(tst_bufferview tst_bufferview.cpp)
quirra_test(tst_bufferwindow tst_bufferwindow.cpp)
quirra_test(tst_buffertools tst_buffertools.cpp)
