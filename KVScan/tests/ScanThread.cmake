# The scanner loads the quarantine element manager by name and installs the engine's service: it
# shares their headers.
target_include_directories(KVScanCore PUBLIC ${CMAKE_SOURCE_DIR}/outside/zosqem ${CMAKE_SOURCE_DIR}/outside/zoksvc)

kv_gtest(kvscan_scan_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/ScanPhasePlanTest.cpp ${CMAKE_CURRENT_LIST_DIR}/ScanStatisticsTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/ScanEngineServiceTest.cpp
    LIBS KVScanCore common_test_support)
add_dependencies(kvscan_scan_test zoksvc zosqem)
