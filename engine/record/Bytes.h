// Little-endian, unaligned, bounds-checked access to byte buffers.
//
// Every layout the plug-in reads or writes (records, host structures, datagrams) goes through
// these helpers: a read outside the buffer yields nullopt, a write outside it is refused.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <vector>

namespace halvex {

using ConstBytes = std::span<const uint8_t>;
using MutableBytes = std::span<uint8_t>;

// True when [offset, offset + count) lies inside a buffer of `size` bytes.
constexpr bool InBounds(size_t size, size_t offset, size_t count) {
    return offset <= size && count <= size - offset;
}

inline std::optional<uint8_t> ReadU8(ConstBytes b, size_t off) {
    if (!InBounds(b.size(), off, 1))
        return std::nullopt;
    return b[off];
}

inline std::optional<uint16_t> ReadU16(ConstBytes b, size_t off) {
    if (!InBounds(b.size(), off, 2))
        return std::nullopt;
    return static_cast<uint16_t>(b[off] | (b[off + 1] << 8));
}

inline std::optional<uint32_t> ReadU32(ConstBytes b, size_t off) {
    if (!InBounds(b.size(), off, 4))
        return std::nullopt;
    return static_cast<uint32_t>(b[off]) | (static_cast<uint32_t>(b[off + 1]) << 8) |
           (static_cast<uint32_t>(b[off + 2]) << 16) | (static_cast<uint32_t>(b[off + 3]) << 24);
}

// Sub-span [off, off + count), or nullopt when it does not fit.
inline std::optional<ConstBytes> Slice(ConstBytes b, size_t off, size_t count) {
    if (!InBounds(b.size(), off, count))
        return std::nullopt;
    return b.subspan(off, count);
}

inline bool WriteU8(MutableBytes b, size_t off, uint8_t v) {
    if (!InBounds(b.size(), off, 1))
        return false;
    b[off] = v;
    return true;
}

inline bool WriteU16(MutableBytes b, size_t off, uint16_t v) {
    if (!InBounds(b.size(), off, 2))
        return false;
    b[off] = static_cast<uint8_t>(v);
    b[off + 1] = static_cast<uint8_t>(v >> 8);
    return true;
}

inline bool WriteU32(MutableBytes b, size_t off, uint32_t v) {
    if (!InBounds(b.size(), off, 4))
        return false;
    for (size_t i = 0; i < 4; ++i)
        b[off + i] = static_cast<uint8_t>(v >> (8 * i));
    return true;
}

inline bool WriteBytes(MutableBytes b, size_t off, ConstBytes src) {
    if (!InBounds(b.size(), off, src.size()))
        return false;
    if (!src.empty())
        std::memcpy(b.data() + off, src.data(), src.size());
    return true;
}

// Appends little-endian values to a growing buffer.
class ByteBuilder {
public:
    explicit ByteBuilder(std::vector<uint8_t>& out) : out_(out) {}
    void U8(uint8_t v) { out_.push_back(v); }
    void U16(uint16_t v) {
        out_.push_back(static_cast<uint8_t>(v));
        out_.push_back(static_cast<uint8_t>(v >> 8));
    }
    void U32(uint32_t v) {
        for (int i = 0; i < 4; ++i)
            out_.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
    void Bytes(ConstBytes b) { out_.insert(out_.end(), b.begin(), b.end()); }
    void Zeros(size_t n) { out_.insert(out_.end(), n, 0); }
    size_t Size() const { return out_.size(); }

private:
    std::vector<uint8_t>& out_;
};

}  // namespace halvex
