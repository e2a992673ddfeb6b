// The broadcast that asks every gateway on the network to answer.
#pragma once

namespace halvex {

// Reopens GatewayLink towards 255.255.255.255 port 4044, sends "DMX_SEARCH_REQUEST" and closes
// the link again, under GatewayLock. Answers arrive later on ListenLink. A failed open sends
// nothing and reports nothing.
void SendSearchRequest();

}  // namespace halvex
