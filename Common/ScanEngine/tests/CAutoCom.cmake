# CAutoCom and the communications thread against the libvorn/zocomm stand-ins, copied into a temporary
# program folder. The tests register the class in the prefix's HKCR, hence the shared lock.
kv_gtest(scanengine_autocom_test
    SOURCES tests/CAutoComTest.cpp tests/CommObjectThreadTest.cpp
            ${CMAKE_SOURCE_DIR}/outside/libvorn/tests/ProgramFolder.cpp
    LIBS ScanEngine libvorn_headers common_test_support advapi32)
target_include_directories(scanengine_autocom_test PRIVATE ${CMAKE_SOURCE_DIR}/outside/libvorn/tests
                                                            ${CMAKE_SOURCE_DIR}/outside/zocomm)
add_dependencies(scanengine_autocom_test libvorn zocomm)
set_tests_properties(scanengine_autocom_test PROPERTIES RESOURCE_LOCK comm_object_registration)
