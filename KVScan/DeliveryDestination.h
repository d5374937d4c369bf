// Delivery into a folder or FTP destination: every kind of result leaves its work folder through one
// file transport (a copy into the run folder, or an upload) and is deleted locally once delivered.
#pragma once

#include "Delivery.h"
#include "SendFolder.h"

class TessalyConfig;

class DestinationDelivery : public Delivery {
public:
    // send delivers one file; context is its destination (a FolderDestination or an FtpDestination), or
    // nullptr while the configuration names no usable destination (nothing leaves then).
    DestinationDelivery(const TessalyConfig& config, DeliveryMode mode, SendOneFile send, void* context)
        : config_(config), mode_(mode), send_(send), context_(context)
    {
    }
    DeliveryMode Mode() const override { return mode_; }

    // Sends the kind's work folder into the destination sub-folder of its bare name. True when no file
    // failed. counters.sent: files delivered; counters.left: files that failed and wait for the next call
    // (a file in use by another program is skipped, not counted), the held final report not counted. A kind without a work folder or without a bare
    // name has nothing to send.
    bool Deliver(DeliveryKind kind, const DeliveryOptions& options, DeliveryCounters& counters) override;

    void SetContext(void* context) { context_ = context; }

private:
    const TessalyConfig& config_;
    DeliveryMode mode_;
    SendOneFile send_;
    void* context_;
};

// The transports of the configured destination, one of each per process; the first call binds the
// configuration, every call takes the destination from it again.
Delivery& FolderDeliveryFor(const TessalyConfig& config);
Delivery& FtpDeliveryFor(const TessalyConfig& config);
