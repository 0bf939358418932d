quirra_core_test(tst_sim tst_sim.cpp)
