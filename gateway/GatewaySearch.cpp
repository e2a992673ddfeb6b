#include "gateway/GatewaySearch.h"

#include <mutex>
#include <string>

#include "gateway/GatewayProtocol.h"
#include "plugin/ModuleState.h"

namespace halvex {

void SendSearchRequest() {
    ModuleState& module = Module();
    std::lock_guard lock(module.GatewayLock);
    CGatewaySocketLink& link = module.GatewayLink;
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
