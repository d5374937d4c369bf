# The URL transport's request texts and the binding of the KVComs exports (its calls to the audit server
# are tested end to end in tests/e2e/test_url_delivery.py).
kv_gtest(kvscan_deliveryurl_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/DeliveryUrlTest.cpp
    LIBS KVScanCore)
