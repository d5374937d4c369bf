# resultrun: an audit's analysis steps through the engine adapter, driven by a configuration file, for
# the end-to-end tests of the result documents (tests/e2e/test_result_documents.py).
add_executable(resultrun tests/ResultRun.cpp)
target_link_libraries(resultrun PRIVATE ScanEngine)
kv_tool(resultrun DESCRIPTION "Result documents test driver")
