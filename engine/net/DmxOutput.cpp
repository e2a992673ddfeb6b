#include "engine/net/DmxOutput.h"

#include <mutex>
#include <string>

#include "engine/net/GatewayProtocol.h"
#include "engine/record/Bytes.h"
#include "engine/record/RecordLayout.h"

namespace halvex {

namespace {
// Time the frame may wait for the socket to become writable.
constexpr uint32_t kFrameSendTimeoutMs = 1;
}  // namespace

void SendDmxFrame(uint8_t* frame, const uint8_t* record, uint16_t length,
                  const GatewayAccess& gateway) {
    if (frame == nullptr || record == nullptr || length < protocol::kMinFrameSize)
        return;
    const uint8_t outputs =
        ReadU8(ConstBytes(record, layout::kFlagsB + 1), layout::kFlagsB).value_or(0) &
        layout::kPreviewMask;
    if (outputs == 0)
        return;

    std::lock_guard lock(gateway.lock);
    CGatewaySocketLink& link = gateway.link;
    if (!link.IsOpen()) {
        const std::string& destination =
            gateway.address.empty() ? std::string(protocol::kBroadcast) : gateway.address;
        link.OpenConnected(destination, std::string(protocol::kDmxService), protocol::kFamily,
                           protocol::kType);
        if (!link.IsOpen())
            return;
    }
    WriteU8(MutableBytes(frame, length), protocol::kFrameOutputs, outputs);
    link.Send(frame, length, kFrameSendTimeoutMs);
}

}  // namespace halvex
