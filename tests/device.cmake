quirra_test(tst_device tst_device.cpp)
