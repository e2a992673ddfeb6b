// The socket link the plug-in uses for gateways: received datagrams go to the protocol parser.
#pragma once

#include "gateway/CSocketLink.h"

namespace halvex {

class CGatewaySocketLink : public CSocketLink {
public:
    ~CGatewaySocketLink() override;

protected:
    void OnDatagram(const uint8_t* data, uint32_t count) override;
    void OnLinkEvent(uint32_t code) override;
};

}  // namespace halvex
