#include "model/GatewayList.h"

#include <algorithm>
#include <cctype>

#include "engine/ModuleState.h"
#include "engine/net/GatewayUpload.h"

namespace halvex {
namespace {

int CompareIgnoringCase(const std::string& a, const std::string& b) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const int x = std::tolower(static_cast<unsigned char>(a[i]));
        const int y = std::tolower(static_cast<unsigned char>(b[i]));
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

}  // namespace

void ChooseGateway(const std::string& address) {
    std::lock_guard lock(Module().GatewayLock);
    Module().GatewayAddress = address;
}

std::optional<size_t> GatewayList::Add(const std::string& line) {
    const auto at = std::find_if(lines_.begin(), lines_.end(), [&](const std::string& listed) {
        return CompareIgnoringCase(line, listed) <= 0;
    });
    if (at != lines_.end() && CompareIgnoringCase(line, *at) == 0)
        return std::nullopt;
    const auto row = static_cast<size_t>(at - lines_.begin());
    lines_.insert(at, line);
    return row;
}

std::string GatewayList::AddressOf(std::optional<size_t> row) const {
    return row && *row < lines_.size() ? GatewayLineAddress(lines_[*row]) : std::string();
}

}  // namespace halvex
