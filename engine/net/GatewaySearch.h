// The broadcast that asks every gateway on the network to answer.
#pragma once

#include "engine/net/GatewayAccess.h"

namespace halvex {

// Reopens the gateway link towards 255.255.255.255 port 4044, sends "DMX_SEARCH_REQUEST" and
// closes the link again, under its lock. Answers arrive later on the listening link. A failed
// open sends nothing and reports nothing.
void SendSearchRequest(const GatewayAccess& gateway);

}  // namespace halvex
