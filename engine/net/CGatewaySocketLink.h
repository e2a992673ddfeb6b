// The socket link the plug-in uses for gateways: received datagrams go to the protocol parser.
#pragma once

#include <atomic>

#include "engine/net/CSocketLink.h"
#include "engine/net/GatewayEvents.h"

namespace halvex {

class CGatewaySocketLink : public CSocketLink {
public:
    ~CGatewaySocketLink() override;

    // Where received messages go: the sink in `events` (null: nobody listens), transmitter
    // reports only while `learnTransmitters` holds. Set before the receiver starts.
    void Deliver(std::atomic<GatewayEventSink*>& events, std::atomic<bool>& learnTransmitters) {
        events_ = &events;
        learnTransmitters_ = &learnTransmitters;
    }

protected:
    void OnDatagram(const uint8_t* data, uint32_t count) override;
    void OnLinkEvent(uint32_t code) override;

private:
    std::atomic<GatewayEventSink*>* events_ = nullptr;
    std::atomic<bool>* learnTransmitters_ = nullptr;
};

}  // namespace halvex
