# The elements file of a disinfection run, and the run against the engine stand-ins (with the scan
# that writes the documents it works from).
kv_gtest(scanengine_disinfection_test
    SOURCES tests/ElementsFileTest.cpp
            tests/DisinfectionRunTest.cpp
            tests/AnalysisFixture.cpp
            tests/ResultXml.cpp
            ${CMAKE_SOURCE_DIR}/outside/ZoScan/tests/EngineFixture.cpp
    LIBS ScanEngine engine_standin_core common_test_support shell32 LibXml2::LibXml2)
target_include_directories(scanengine_disinfection_test PRIVATE ${CMAKE_SOURCE_DIR}/outside/ZoScan
                                                                ${CMAKE_SOURCE_DIR}/outside/ZoScan/tests
                                                                ${CMAKE_SOURCE_DIR}/outside/zokas)
add_dependencies(scanengine_disinfection_test ZoScan zokas qelsig_file)
# Its scan creates the communications object, whose class registration lives in the Wine prefix that
# every test shares: a test that registers its own copy at the same time would see this one's calls.
set_tests_properties(scanengine_disinfection_test PROPERTIES RESOURCE_LOCK comm_object_registration)
