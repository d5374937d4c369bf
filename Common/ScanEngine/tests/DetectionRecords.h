// Hand-built analysis results and questions as the engine passes them to the callbacks.
#pragma once

#include "ZoScanRecords.h"

#include <cstring>
#include <memory>
#include <string>
#include <vector>

struct FakeResult {
    std::string path;
    std::string malwareName;
    std::vector<uint8_t> extra;
    ZoElementRecord element;
    ZoDetectionNode node;
    ZoResultRecord result;
    ZoQuestionRecord question;

    FakeResult(const std::string& elementPath, uint32_t malwareType, uint32_t subType = 0,
               const std::string& name = "W32/Test.A")
        : path(elementPath), malwareName(name), extra{'Q', 'E', 'L', 'D', 1, 2, 3}
    {
        std::memset(&element, 0, sizeof element);
        std::memset(&node, 0, sizeof node);
        std::memset(&result, 0, sizeof result);
        std::memset(&question, 0, sizeof question);
        element.elementType = ZOSCAN_ELEMENT_FILE;
        element.location = ZOSCAN_LOCATION_DISK;
        element.path = path.c_str();
        for (int i = 0; i < 16; ++i)
            element.md5[i] = static_cast<uint8_t>(i * 17); // 00 11 22 ... ff
        element.analysisState = ZOSCAN_STATE_INFECTED;
        node.malwareType = malwareType;
        node.subType = subType;
        node.name = malwareName.c_str();
        node.malwareNumber = 4711;
        node.resultCode = ZOSCAN_STATE_INFECTED;
        result.size = sizeof result;
        result.element = &element;
        result.detections = 1;
        result.first = &node;
        result.extraData = extra.data();
        result.extraLength = static_cast<uint32_t>(extra.size());
        question.size = sizeof question;
        question.element = &element;
        question.detection = &node;
        question.malwareType = malwareType;
        question.subType = subType;
        question.malwareName = malwareName.c_str();
        question.possibleActions = ZOSCAN_POSSIBLE_DISINFECT | ZOSCAN_POSSIBLE_ERASE;
    }
    FakeResult(const FakeResult&) = delete;
    FakeResult& operator=(const FakeResult&) = delete;
};
