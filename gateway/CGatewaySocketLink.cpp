#include "gateway/CGatewaySocketLink.h"

namespace halvex {

CGatewaySocketLink::~CGatewaySocketLink() = default;
void CGatewaySocketLink::OnDatagram(const uint8_t*, uint32_t) {}
void CGatewaySocketLink::OnLinkEvent(uint32_t) {}

}  // namespace halvex
