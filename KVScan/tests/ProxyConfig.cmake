# The proxy settings of the connection test: the user's proxy text and the configuration rewrite (the test
# itself, through KVComs against the audit server, runs end to end in tests/e2e/test_url_audit.py).
kv_gtest(kvscan_proxyconfig_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/ProxyConfigTest.cpp
    LIBS KVScanCore common_test_support)
