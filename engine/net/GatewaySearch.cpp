#include "engine/net/GatewaySearch.h"

#include <mutex>
#include <string>

#include "engine/net/GatewayProtocol.h"

namespace halvex {

void SendSearchRequest(const GatewayAccess& gateway) {
    std::lock_guard lock(gateway.lock);
    CGatewaySocketLink& link = gateway.link;
    if (link.IsOpen())
        link.Close();
    if (!link.OpenConnected(std::string(protocol::kBroadcast),
                            std::string(protocol::kGatewayService), protocol::kFamily,
                            protocol::kType)) {
        return;
    }
    const std::string_view request = protocol::kSearchRequest;
    link.Send(reinterpret_cast<const uint8_t*>(request.data()),
              static_cast<uint32_t>(request.size()), 1);
    link.Close();
}

}  // namespace halvex
