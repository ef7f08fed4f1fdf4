// sorvane_bench_engine: the real capture engine over the Linux backend, counting what it stores.
#include "Capture.h"
#include "CountingPoster.h"
#include "ProcessFigures.h"
#include "ThreadClockThreads.h"
#include "TrafficPattern.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <thread>

#include <arpa/inet.h>

namespace {

constexpr int32_t kDefaultPacketBytes = 100;
constexpr int32_t kDefaultTotalMB = 16;

int Usage() {
    std::fprintf(stderr,
                 "usage: sorvane_bench_engine capture MAX_PACKET_BYTES MAX_TOTAL_MB  (stops on a line on stdin)\n"
                 "       sorvane_bench_engine idle SECONDS\n"
                 "       sorvane_bench_engine full SECONDS MAX_TOTAL_MB\n");
    return 2;
}

// The engine with its backend and poster; members are destroyed engine first.
struct Bench {
    ThreadClockThreads threads;
    CaptureSystem host = HostCaptureSystem();
    CountingPoster poster;
    CCapture engine{CaptureSystem{threads, host.sockets, host.addresses, host.memory}, &poster};

    // Launches the thread and starts capture on the interface of kCaptureAddress.
    bool Begin(int32_t maxPacketBytes, int32_t maxTotalMB) {
        const int32_t index = InterfaceIndex();
        if (index < 0) {
            std::fprintf(stderr, "no local address %s in this namespace\n", kCaptureAddress);
            return false;
        }
        if (!engine.LaunchThread()) {
            return false;
        }
        engine.Start(index, StorageLimits{maxPacketBytes, maxTotalMB});
        return true;
    }

    int32_t InterfaceIndex() {
        in_addr wanted{};
        inet_pton(AF_INET, kCaptureAddress, &wanted);
        const AddressQuery query = host.addresses.QueryLocalAddresses();
        for (size_t i = 0; i < query.addresses.size(); ++i) {
            if (query.addresses[i] == wanted.s_addr) {
                return static_cast<int32_t>(i);
            }
        }
        return -1;
    }

    // The capture thread's CPU time over seconds of wall time.
    double ThreadCpuOver(double seconds) {
        const double before = threads.CaptureThreadCpuSeconds();
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
        return threads.CaptureThreadCpuSeconds() - before;
    }
};

void Ready() {
    std::printf("ready\n");
    std::fflush(stdout);
}

int Capture(int32_t maxPacketBytes, int32_t maxTotalMB) {
    Bench bench;
    const uint64_t residentBefore = ResidentBytes();
    if (!bench.Begin(maxPacketBytes, maxTotalMB)) {
        return 1;
    }
    Ready();
    std::string line;
    std::getline(std::cin, line);
    const double threadCpu = bench.threads.CaptureThreadCpuSeconds();
    const double processCpu = ProcessCpuSeconds();
    bench.engine.Stop();
    const uint64_t residentAfter = ResidentBytes();
    std::printf("stored=%d total_bytes=%u posted=%ld full=%ld thread_cpu=%.6f process_cpu=%.6f rss_delta=%lld\n",
                bench.engine.Count(), bench.engine.TotalBytes(), bench.poster.packets.load(), bench.poster.full.load(),
                threadCpu, processCpu, static_cast<long long>(residentAfter - residentBefore));
    return 0;
}

int Idle(double seconds) {
    Bench bench;
    if (!bench.Begin(kDefaultPacketBytes, kDefaultTotalMB)) {
        return 1;
    }
    Ready();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const double cpu = bench.ThreadCpuOver(seconds);
    std::printf("seconds=%.1f thread_cpu=%.6f stored=%d\n", seconds, cpu, bench.engine.Count());
    return 0;
}

// Waits (at most a minute) for the storage-full notification, then measures while traffic goes on.
int Full(double seconds, int32_t maxTotalMB) {
    Bench bench;
    if (!bench.Begin(kDefaultPacketBytes, maxTotalMB)) {
        return 1;
    }
    Ready();
    const double deadline = WallSeconds() + 60;
    while (bench.poster.full.load(std::memory_order_acquire) == 0 && WallSeconds() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (bench.poster.full.load() == 0) {
        std::fprintf(stderr, "the store did not fill within a minute\n");
        return 1;
    }
    const double cpu = bench.ThreadCpuOver(seconds);
    std::printf("seconds=%.1f thread_cpu=%.6f stored=%d full=%ld\n", seconds, cpu, bench.engine.Count(),
                bench.poster.full.load());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::string mode = argc >= 2 ? argv[1] : "";
    if (mode == "capture" && argc == 4) {
        return Capture(std::atoi(argv[2]), std::atoi(argv[3]));
    }
    if (mode == "idle" && argc == 3) {
        return Idle(std::strtod(argv[2], nullptr));
    }
    if (mode == "full" && argc == 4) {
        return Full(std::strtod(argv[2], nullptr), std::atoi(argv[3]));
    }
    return Usage();
}
