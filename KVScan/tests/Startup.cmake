kv_gtest(kvscan_startup_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/CommandLineTest.cpp ${CMAKE_CURRENT_LIST_DIR}/ExitStatusTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/InstanceGuardTest.cpp ${CMAKE_CURRENT_LIST_DIR}/MainWindowTest.cpp
    LIBS KVScanCore)
