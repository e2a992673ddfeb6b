// halvex.dll under Wine, each measure against its baseline or target in the same run:
//
//   dmx     a DMX frame through __SendDMXData2UDP against a bare send() of the same bytes on a
//           connected UDP socket to the same destination (target at most 1.2 x);
//   dialog  __OpenKNXDialog on the largest record, from the call until the main dialog is
//           visible (target under 300 ms); a watcher thread then presses Cancel.
//
// Google Benchmark is not built for Windows, so the program times with QueryPerformanceCounter
// itself: measured and baseline runs alternate in rounds and medians are compared, so that a
// noisy machine shifts both alike.
//
// The library sends to the gateway's broadcast address. The program therefore runs inside the
// test bed only (scripts/wine-bed.sh) and itself refuses to start unless a connected UDP socket's
// local address lies in 198.18.0.0/24; before that check nothing is sent.
//
// Usage: bench_wine [dmx] [dialog]   (both when none is named)
#include <windows.h>
#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <numeric>
#include <string>
#include <thread>
#include <vector>

#include "LargestRecord.h"
#include "engine/net/GatewayProtocol.h"
#include "engine/record/RecordLayout.h"
#include "halvex/plugin.h"
#include "model/ControlIds.h"
#include "support/RecordBuilder.h"

namespace {

using namespace halvex;

using SendFn = decltype(&__SendDMXData2UDP);
using OpenFn = decltype(&__OpenKNXDialog);

constexpr uint32_t kBedNetwork = 0xC6120000;  // 198.18.0.0/24
constexpr uint16_t kFrameSize = 530;
constexpr int kDmxRounds = 15;
constexpr int kFramesPerRound = 2000;
constexpr int kOpens = 9;

double Now() {
    static const double frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart);
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / frequency;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

sockaddr_in Address(uint32_t hostOrder, uint16_t port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(hostOrder);
    return a;
}

// The library's destination for frames: the broadcast address on the DMX port.
sockaddr_in FrameDestination() {
    return Address(INADDR_BROADCAST, protocol::kDmxPort);
}

// A UDP socket connected to the library's frame destination, or INVALID_SOCKET unless its local
// address lies in the test bed. Connecting and reading the address send nothing.
SOCKET ConnectInBed() {
    const SOCKET s = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (s == INVALID_SOCKET)
        return s;
    const BOOL on = TRUE;
    const sockaddr_in to = FrameDestination();
    sockaddr_in local{};
    int length = sizeof local;
    const bool connected = ::setsockopt(s, SOL_SOCKET, SO_BROADCAST,
                                        reinterpret_cast<const char*>(&on), sizeof on) == 0 &&
                           ::connect(s, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0 &&
                           ::getsockname(s, reinterpret_cast<sockaddr*>(&local), &length) == 0;
    const uint32_t address = ntohl(local.sin_addr.s_addr);
    std::printf("local address of a socket towards the gateway: %s\n",
                connected ? ::inet_ntoa(local.sin_addr) : "none");
    if (!connected || (address & 0xFFFFFF00) != kBedNetwork) {
        ::closesocket(s);
        return INVALID_SOCKET;
    }
    return s;
}

// A socket bound to the wildcard address on `port`; INVALID_SOCKET when the port is taken.
SOCKET BindAny(uint16_t port) {
    const SOCKET s = ::socket(AF_INET, SOCK_DGRAM, 0);
    const sockaddr_in local = Address(INADDR_ANY, port);
    if (s != INVALID_SOCKET &&
        ::bind(s, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        ::closesocket(s);
        return INVALID_SOCKET;
    }
    return s;
}

// Whether `frame` arrives on `receiver` within a second (other datagrams are passed over).
bool Arrives(SOCKET receiver, const std::vector<uint8_t>& frame) {
    std::vector<uint8_t> buffer(frame.size() + 1);
    const double deadline = Now() + 1.0;
    while (Now() < deadline) {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(receiver, &readable);
        timeval wait{0, 100000};
        if (::select(0, &readable, nullptr, nullptr, &wait) <= 0)
            continue;
        const int n = ::recv(receiver, reinterpret_cast<char*>(buffer.data()),
                             static_cast<int>(buffer.size()), 0);
        if (n == static_cast<int>(frame.size()) &&
            std::equal(frame.begin(), frame.end(), buffer.begin())) {
            return true;
        }
    }
    return false;
}

int DmxBench(HMODULE library, SOCKET bare) {
    std::printf(
        "\n=== DMX frame: __SendDMXData2UDP vs bare send() of the same %u bytes, %d rounds"
        " of %d frames each\n",
        kFrameSize, kDmxRounds, kFramesPerRound);
    const auto sendFrame = reinterpret_cast<SendFn>(
        reinterpret_cast<void*>(GetProcAddress(library, "__SendDMXData2UDP")));
    if (sendFrame == nullptr) {
        std::printf("halvex.dll has no __SendDMXData2UDP\n");
        return 1;
    }
    std::vector<uint8_t> frame(kFrameSize);
    std::iota(frame.begin(), frame.end(), uint8_t{0});
    // A header-only record with the preview of DMX-Out 1 switched on.
    uint8_t record[layout::kHeaderSize] = {};
    record[layout::kFlagsB] = layout::kFlagPreview1;

    // The first frame opens the library's link; it must come out with the preview selection in
    // byte 6, as the bare socket then sends it. Broadcasts loop back to this namespace's own
    // sockets, so a socket on the DMX port sees both.
    const SOCKET receiver = BindAny(protocol::kDmxPort);
    if (receiver == INVALID_SOCKET) {
        std::printf("port %u is taken here: cannot see the frames; nothing timed\n",
                    protocol::kDmxPort);
        return 1;
    }
    sendFrame(frame.data(), record, kFrameSize);
    const bool libraryArrived =
        frame[protocol::kFrameOutputs] == layout::kFlagPreview1 && Arrives(receiver, frame);
    const bool bareArrived =
        ::send(bare, reinterpret_cast<const char*>(frame.data()), kFrameSize, 0) == kFrameSize &&
        Arrives(receiver, frame);
    ::closesocket(receiver);
    if (!libraryArrived || !bareArrived) {
        std::printf("no frame arrived from %s; nothing timed\n",
                    libraryArrived ? "the bare socket" : "halvex.dll");
        return 1;
    }

    int failedSends = 0;
    const auto timeBare = [&] {
        const double start = Now();
        for (int i = 0; i < kFramesPerRound; ++i) {
            if (::send(bare, reinterpret_cast<const char*>(frame.data()), kFrameSize, 0) !=
                kFrameSize) {
                ++failedSends;
            }
        }
        return (Now() - start) / kFramesPerRound;
    };
    const auto timeLibrary = [&] {
        const double start = Now();
        for (int i = 0; i < kFramesPerRound; ++i)
            sendFrame(frame.data(), record, kFrameSize);
        return (Now() - start) / kFramesPerRound;
    };
    timeBare();  // warm-up, not counted
    timeLibrary();
    std::vector<double> bareTimes, libraryTimes, ratios;
    for (int round = 0; round < kDmxRounds; ++round) {
        // Each goes first in every other round.
        double b, l;
        if (round % 2 == 0) {
            b = timeBare();
            l = timeLibrary();
        } else {
            l = timeLibrary();
            b = timeBare();
        }
        bareTimes.push_back(b);
        libraryTimes.push_back(l);
        ratios.push_back(l / b);
    }
    const double bare_us = Median(bareTimes) * 1e6;
    const double library_us = Median(libraryTimes) * 1e6;
    std::printf("BareSend      median %8.2f us per frame\n", bare_us);
    std::printf("SendDmxFrame  median %8.2f us per frame\n", library_us);
    std::printf(
        "ratio SendDmxFrame / BareSend = %.3f (medians), %.3f (median of the rounds'"
        " ratios) (target <= 1.2)\n",
        library_us / bare_us, Median(ratios));
    if (failedSends > 0)
        std::printf("bare send failed %d times\n", failedSends);
    return failedSends > 0 ? 1 : 0;
}

// The host's side of the largest record: its scene list, device table and the record itself.
struct LargestCall {
    std::vector<uint8_t> sceneList;
    std::vector<uint8_t> devices;
    std::vector<uint8_t> record;
};

LargestCall MakeLargestCall() {
    LargestCall call;
    std::vector<std::string> names;
    for (int s = 0; s < bench::kScenes; ++s)
        names.push_back("Scene " + std::to_string(s));
    call.sceneList = test::MakeSceneList(names);
    std::vector<test::Device> table;
    for (int d = 0; d < bench::kDevices; ++d)
        table.push_back({"Device " + std::to_string(d), 0});
    call.devices = test::MakeDeviceTable(table);
    const bench::Workload w = bench::MakeWorkload();
    call.record = w.header;
    WriteKnxRecord(call.record, w.View(), w.catalogue, true, bench::kDevices, call.devices, w.wlan);
    return call;
}

// Takes the visible main dialog into *out. Only calls that send no message to the busy dialog
// thread: visibility and the controls' IDs.
BOOL CALLBACK MatchMainDialog(HWND window, LPARAM out) {
    if (IsWindowVisible(window) && GetDlgItem(window, ids::kCancel) != nullptr &&
        GetDlgItem(window, ids::kPageTabs) != nullptr) {
        *reinterpret_cast<HWND*>(out) = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK CloseWindowOf(HWND window, LPARAM) {
    PostMessageW(window, WM_CLOSE, 0, 0);
    return TRUE;
}

// One call on the largest record, from the call until its main dialog is visible, in seconds;
// negative when the dialog did not show, did not close on Cancel or touched the record.
double TimeOneOpen(OpenFn open, const LargestCall& call) {
    uint8_t* record = static_cast<uint8_t*>(std::malloc(call.record.size()));
    std::memcpy(record, call.record.data(), call.record.size());
    uint8_t* slot = record;
    const DWORD dialogThread = GetCurrentThreadId();
    std::atomic<bool> returned{false};
    double visibleAt = 0;
    bool forced = false;
    std::thread watcher([&] {
        HWND main = nullptr;
        const double deadline = Now() + 30.0;
        while (main == nullptr && !returned && Now() < deadline) {
            EnumThreadWindows(dialogThread, &MatchMainDialog, reinterpret_cast<LPARAM>(&main));
            if (main == nullptr)
                Sleep(1);
        }
        visibleAt = Now();
        if (main != nullptr)
            PostMessageW(GetDlgItem(main, ids::kCancel), BM_CLICK, 0, 0);
        // Whatever still holds the call 10 s later (a message box, a dialog that never showed)
        // is closed, and the open counts as failed.
        for (int i = 1; !returned; ++i) {
            if (i % 100 == 0) {
                forced = true;
                EnumThreadWindows(dialogThread, &CloseWindowOf, 0);
            }
            Sleep(100);
        }
    });
    const double start = Now();
    open(call.sceneList.data(), record, &slot, 0,
         reinterpret_cast<const uint32_t*>(call.devices.data()), bench::kDevices);
    const double end = Now();
    returned = true;
    watcher.join();
    const bool untouched =
        slot == record && std::equal(call.record.begin(), call.record.end(), record);
    std::free(slot);
    const bool shown = visibleAt > start && visibleAt < end;
    return shown && untouched && !forced ? visibleAt - start : -1;
}

int DialogBench(HMODULE library) {
    const LargestCall call = MakeLargestCall();
    std::printf(
        "\n=== dialog: __OpenKNXDialog on the largest record (%zu bytes) until its window"
        " is visible, %d opens\n",
        call.record.size(), kOpens);
    const auto open = reinterpret_cast<OpenFn>(
        reinterpret_cast<void*>(GetProcAddress(library, "__OpenKNXDialog")));
    if (open == nullptr) {
        std::printf("halvex.dll has no __OpenKNXDialog\n");
        return 1;
    }
    // The dialog listens on the gateway port; were it taken, a message box would hold the call.
    const SOCKET probe = BindAny(protocol::kGatewayPort);
    if (probe == INVALID_SOCKET) {
        std::printf("port %u is taken here; nothing timed\n", protocol::kGatewayPort);
        return 1;
    }
    ::closesocket(probe);

    std::vector<double> times;
    for (int i = 0; i <= kOpens; ++i) {
        const double t = TimeOneOpen(open, call);
        if (t < 0) {
            std::printf(
                "open %d: the dialog did not show, did not close on Cancel or changed the"
                " record\n",
                i);
            return 1;
        }
        if (i > 0)  // the first open loads what every later one finds ready
            times.push_back(t * 1e3);
    }
    std::printf(
        "OpenMaximalRecord  median %.1f ms, fastest %.1f ms, slowest %.1f ms"
        " (target < 300 ms)\n",
        Median(times), *std::min_element(times.begin(), times.end()),
        *std::max_element(times.begin(), times.end()));
    return 0;
}

// The library beside this program.
HMODULE LoadHalvex() {
    wchar_t path[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring library(path, n);
    library.resize(library.find_last_of(L'\\') + 1);
    library += L"halvex.dll";
    return LoadLibraryW(library.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    bool dmx = argc == 1, dialog = argc == 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "dmx") == 0) {
            dmx = true;
        } else if (std::strcmp(argv[i], "dialog") == 0) {
            dialog = true;
        } else {
            std::fprintf(stderr, "usage: bench_wine [dmx] [dialog]\n");
            return 2;
        }
    }
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    WSADATA data{};
    if (::WSAStartup(MAKEWORD(2, 2), &data) != 0)
        return 1;
    const SOCKET bare = ConnectInBed();
    if (bare == INVALID_SOCKET) {
        std::printf(
            "refused: sockets here are not in the test bed (198.18.0.0/24); nothing was"
            " sent. Run through scripts/wine-bed.sh.\n");
        ::WSACleanup();
        return 1;
    }
    const HMODULE library = LoadHalvex();
    int result = library == nullptr ? 1 : 0;
    if (library == nullptr)
        std::printf("halvex.dll did not load (error %lu)\n", GetLastError());
    if (library != nullptr && dmx)
        result |= DmxBench(library, bare);
    if (library != nullptr && dialog)
        result |= DialogBench(library);
    ::closesocket(bare);
    ::WSACleanup();
    return result;
}
