# The folder and FTP transports behind the delivery interface and the run's progress file.
kv_gtest(kvscan_destination_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/DeliveryDestinationTest.cpp ${CMAKE_CURRENT_LIST_DIR}/RunProgressTest.cpp
    LIBS KVScanCore common_test_support)
