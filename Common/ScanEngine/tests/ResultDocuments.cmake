# The result holder's documents, read back with libxml2.
kv_gtest(scanengine_result_documents_test
    SOURCES tests/ResultDocumentsTest.cpp tests/ResultXml.cpp
    LIBS ScanEngine common_test_support LibXml2::LibXml2)
