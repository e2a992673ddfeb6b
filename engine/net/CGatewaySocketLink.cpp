#include "engine/net/CGatewaySocketLink.h"

#include <cstring>

#include "engine/net/GatewayParser.h"

namespace halvex {

// Stops here, while the derived callbacks still exist for the receive thread.
CGatewaySocketLink::~CGatewaySocketLink() {
    Stop();
}

void CGatewaySocketLink::OnDatagram(const uint8_t* data, uint32_t count) {
    PeerAddress sender{};
    if (IsAddressPrefixed()) {
        if (count < sender.size())
            return;
        std::memcpy(sender.data(), data, sender.size());
        data += sender.size();
        count -= static_cast<uint32_t>(sender.size());
    }
    ParseGatewayMessage(data, count, sender, events_ != nullptr ? events_->load() : nullptr,
                        learnTransmitters_ != nullptr && learnTransmitters_->load());
}

// The plug-in shows no link status.
void CGatewaySocketLink::OnLinkEvent(uint32_t) {}

}  // namespace halvex
