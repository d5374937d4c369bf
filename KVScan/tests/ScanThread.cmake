kv_gtest(kvscan_scan_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/ScanPhasePlanTest.cpp ${CMAKE_CURRENT_LIST_DIR}/ScanStatisticsTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/ScanEngineServiceTest.cpp ${CMAKE_CURRENT_LIST_DIR}/ScanRunTest.cpp
            ${CMAKE_SOURCE_DIR}/outside/ZoScan/tests/EngineFixture.cpp
    LIBS KVScanCore common_test_support engine_standin_core shell32)
target_include_directories(kvscan_scan_test PRIVATE ${CMAKE_SOURCE_DIR}/outside/ZoScan
                                                    ${CMAKE_SOURCE_DIR}/outside/ZoScan/tests ${CMAKE_SOURCE_DIR}/outside/zokas)
add_dependencies(kvscan_scan_test zoksvc zosqem ZoScan zokas qelsig_file)
# The run's scans create the communications object through the class registration of the shared Wine
# prefix, and it installs the engine's service: never at the same time as another such test.
set_tests_properties(kvscan_scan_test PROPERTIES RESOURCE_LOCK comm_object_registration)
