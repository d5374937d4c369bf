# The progress record and file, the FTP address and the folder transport: built from their own sources so that the test
# does not depend on the rest of the scanner.
kv_gtest(kvscan_progress_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/ProgressRecordTest.cpp ${CMAKE_CURRENT_LIST_DIR}/ProgressFileTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/FtpAddressTest.cpp ${CMAKE_CURRENT_LIST_DIR}/FolderDeliveryTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/ProgressThreadTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/../ProgressRecord.cpp ${CMAKE_CURRENT_LIST_DIR}/../ProgressFile.cpp
            ${CMAKE_CURRENT_LIST_DIR}/../FtpAddress.cpp ${CMAKE_CURRENT_LIST_DIR}/../SendFolder.cpp
            ${CMAKE_CURRENT_LIST_DIR}/../FolderDelivery.cpp ${CMAKE_CURRENT_LIST_DIR}/../ProgressThread.cpp
    LIBS Common KVLog common_test_support)
target_include_directories(kvscan_progress_test PRIVATE ${CMAKE_CURRENT_LIST_DIR}/..)
