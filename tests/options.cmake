quirra_test(tst_choicewindows tst_choicewindows.cpp)
quirra_test(tst_firstrun tst_firstrun.cpp)
