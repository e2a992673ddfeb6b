// The link towards the gateway that the host's DMX thread and the dialog share, as the engine
// functions that use it take it: every use of `link` holds `lock`, which also guards `address`
// (the selected gateway, empty when none).
#pragma once

#include <mutex>
#include <string>

#include "engine/net/CGatewaySocketLink.h"

namespace halvex {

struct GatewayAccess {
    CGatewaySocketLink& link;
    std::mutex& lock;
    std::string& address;
};

}  // namespace halvex
