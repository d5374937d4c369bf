// The delivery of everything left at the end of an audit: every kind is sent until it is finished,
// with a pause between rounds. Network failures never end the loop.
#pragma once

#include "Delivery.h"

struct DeliveryLoopSettings {
    bool generateStatistics = false;
    bool statisticsUrlKnown = false; // URL mode: the signature file named where statistics go
    unsigned long retryDelayMs = 5000;
    int maxSuspiciousTries = 5; // URL mode: the try on which failed elements are deleted
};

struct DeliveryLoopEvents {
    // After the first round that left something: the run prepares for an interruption.
    void (*firstFailure)(void* context) = nullptr;
    void (*sleep)(unsigned long ms) = nullptr; // Sleep by default
    void* context = nullptr;
};

struct DeliveryLoopResult {
    int rounds = 0;
    int suspiciousTries = 0;
};

// Runs until all four kinds are finished. A kind is finished when its call succeeded and nothing is left;
// once finished it is not sent again. Reports are finished only after the final analysis report went too,
// which is held back until the suspicious files are finished. In "none" mode every kind is finished at once;
// without statistics, or in URL mode without a statistics address (logged), statistics are finished.
DeliveryLoopResult RunDeliveryLoop(Delivery& delivery, const DeliveryLoopSettings& settings,
                                   const DeliveryLoopEvents& events, const char* logModule);
