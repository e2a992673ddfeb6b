// The gateways found by "Search": one line per gateway as the parser builds it (dotted address,
// a space, name or MAC address, optionally the version text), kept in order without regard to
// case and without lines that differ from a listed one only in case.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace halvex {

// Makes `address` the gateway DMX frames go to (GatewayAddress; empty: none), under its lock.
void ChooseGateway(const std::string& address);

class GatewayList {
public:
    // Adds `line` and returns its position, or nullopt when an equal line ignoring case is
    // already listed.
    std::optional<size_t> Add(const std::string& line);
    void Clear() { lines_.clear(); }
    const std::vector<std::string>& Lines() const { return lines_; }

    // The address DMX frames go to while the line at `row` is selected (none: empty).
    std::string AddressOf(std::optional<size_t> row) const;

private:
    std::vector<std::string> lines_;
};

}  // namespace halvex
