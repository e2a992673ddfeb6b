#include "gateway/CSocketLink.h"

namespace halvex {

CSocketLink::CSocketLink() = default;
CSocketLink::~CSocketLink() = default;
void CSocketLink::OnDatagram(const uint8_t*, uint32_t) {}
void CSocketLink::OnLinkEvent(uint32_t) {}
void CSocketLink::ReceiveLoop() {}

}  // namespace halvex
