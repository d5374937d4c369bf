kv_gtest(kvscan_workthread_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/DeliveryLoopTest.cpp ${CMAKE_CURRENT_LIST_DIR}/InterruptionGuardTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/WorkFoldersTest.cpp ${CMAKE_CURRENT_LIST_DIR}/RestartDecisionTest.cpp
    LIBS KVScanCore shell32)
