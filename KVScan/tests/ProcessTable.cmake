kv_gtest(kvscan_process_table_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/ProcessTableTest.cpp
    LIBS KVScanCore common_test_support)
# The chain runs the sleeper tool, which lands beside the test program.
add_dependencies(kvscan_process_table_test sleeper)
