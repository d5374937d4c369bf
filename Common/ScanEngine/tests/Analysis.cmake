# The analysis against the engine stand-ins: setting sequences (read back from the engine's journal),
# callbacks and detection handling from hand-built records, the filtered-elements file (appended by a
# second run of this program), and whole scans of a folder in a temporary program folder.
kv_gtest(scanengine_analysis_test
    SOURCES tests/AnalysisFixture.cpp
            tests/AnalysisSettingsTest.cpp
            tests/ScanCallbacksTest.cpp
            tests/DetectionHandlingTest.cpp
            tests/QuestionHandlerTest.cpp
            tests/FilteredElementsTest.cpp
            tests/ScanExecutionTest.cpp
            tests/PathMacrosTest.cpp
            ${CMAKE_SOURCE_DIR}/outside/ZoScan/tests/EngineFixture.cpp
    LIBS ScanEngine engine_standin_core common_test_support shell32)
target_include_directories(scanengine_analysis_test PRIVATE ${CMAKE_SOURCE_DIR}/outside/ZoScan
                                                            ${CMAKE_SOURCE_DIR}/outside/ZoScan/tests
                                                            ${CMAKE_SOURCE_DIR}/outside/zokas)
add_dependencies(scanengine_analysis_test ZoScan zokas qelsig_file)
# Its scans create the communications object through the class registration of the shared Wine prefix:
# never at the same time as another test that registers or journals that object.
set_tests_properties(scanengine_analysis_test PROPERTIES RESOURCE_LOCK comm_object_registration)
