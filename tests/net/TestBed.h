// Helpers for tests that run inside the network test bed's host namespace (hvx-host).
//
// Nothing here sends unless the process is inside the bed: every test starts with
// REQUIRE_TEST_BED(), which skips it, with the reason, anywhere else. The flood benchmark uses
// the same helpers, so this header does not need Google Test itself.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace halvex::test {

inline constexpr uint32_t kHostAddress = 0xC6120001;  // 198.18.0.1
inline constexpr uint32_t kGateway1 = 0xC6120002;     // 198.18.0.2
inline constexpr uint32_t kGateway2 = 0xC6120003;     // 198.18.0.3
inline constexpr uint32_t kGateway3 = 0xC6120004;     // 198.18.0.4

// Empty when this process runs in the bed's host namespace, else why it does not.
std::string WhyNotInTestBed();

#define REQUIRE_TEST_BED()                                         \
    do {                                                           \
        const std::string why = ::halvex::test::WhyNotInTestBed(); \
        if (!why.empty())                                          \
            GTEST_SKIP() << "network test bed: " << why;           \
    } while (0)

// A UDP socket made in the gateway namespace, bound to address:port (port 0: any); -1 when it
// cannot be made.
int GatewaySideSocket(uint32_t address, uint16_t port = 0);
// The next datagram `fd` receives within the time; empty when none arrives.
std::vector<uint8_t> Heard(int fd, int timeoutMs = 2000);
bool SendFrom(int fd, uint32_t address, uint16_t port, const std::vector<uint8_t>& bytes);
uint16_t LocalPort(int fd);

// Polls `done` every 10 ms until it holds or `timeoutMs` passed.
bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 3000);

// What another thread hands over, kept under a lock.
template <class T>
class Locked {
public:
    void Add(T value) {
        std::lock_guard lock(mutex_);
        values_.push_back(std::move(value));
    }
    std::vector<T> Get() const {
        std::lock_guard lock(mutex_);
        return values_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<T> values_;
};

// halvex-gateway-sim running in the gateway namespace with its own output folder.
class GatewaySim {
public:
    explicit GatewaySim(std::vector<std::string> args);
    ~GatewaySim();
    GatewaySim(const GatewaySim&) = delete;
    GatewaySim& operator=(const GatewaySim&) = delete;

    bool Ready() const { return ready_; }
    std::string Log() const { return Text("log.txt"); }
    // Text of an output file (trailing newline removed), empty when absent.
    std::string Text(const std::string& name) const;
    std::optional<std::vector<uint8_t>> Bytes(const std::string& name) const;
    uint64_t Count(const std::string& name) const;

private:
    std::string dir_;
    pid_t pid_ = -1;
    bool ready_ = false;
};

}  // namespace halvex::test
