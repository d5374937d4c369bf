# Engine binding against the engine stand-ins (zokas.dll, its build without one export, ZoScan.dll and
# Qel.sig), copied into a temporary program folder by the stand-ins' own test fixture.
kv_gtest(scanengine_binding_test
    SOURCES tests/EngineBindingTest.cpp ${CMAKE_SOURCE_DIR}/outside/ZoScan/tests/EngineFixture.cpp
    LIBS ScanEngine engine_standin_core common_test_support shell32)
target_include_directories(scanengine_binding_test PRIVATE ${CMAKE_SOURCE_DIR}/outside/ZoScan
                                                           ${CMAKE_SOURCE_DIR}/outside/ZoScan/tests
                                                           ${CMAKE_SOURCE_DIR}/outside/zokas)
add_dependencies(scanengine_binding_test ZoScan zokas zokas_without_strip qelsig_file)
