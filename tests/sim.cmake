quirra_test(tst_sim tst_sim.cpp)
