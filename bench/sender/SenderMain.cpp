// sorvane_bench_sender: the benchmark's traffic source, and a sink that keeps the port open.
#include "PacedSender.h"
#include "TrafficPattern.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int Usage() {
    std::fprintf(stderr, "usage: sorvane_bench_sender send COUNT RATE single|mixed   (RATE 0: as fast as it can)\n"
                         "       sorvane_bench_sender sink\n");
    return 2;
}

int Send(int argc, char** argv) {
    if (argc != 5) {
        return Usage();
    }
    const uint64_t count = std::strtoull(argv[2], nullptr, 10);
    const double rate = std::strtod(argv[3], nullptr);
    const bool mixed = std::strcmp(argv[4], "mixed") == 0;
    const SendReport report = SendPaced(count, rate, mixed);
    std::printf("sent=%llu seconds=%.3f rate=%.0f\n", static_cast<unsigned long long>(report.sent), report.seconds,
                report.seconds > 0 ? static_cast<double>(report.sent) / report.seconds : 0.0);
    if (!report.failure.empty()) {
        std::fprintf(stderr, "%s\n", report.failure.c_str());
        return 1;
    }
    return 0;
}

// A bound socket that is never read: datagrams to the port are dropped quietly when its buffer is
// full, instead of drawing port-unreachable replies that both capturing tools would see.
int Sink() {
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(kSinkPort);
    if (fd < 0 || bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        std::perror("sink");
        return 1;
    }
    std::printf("sink ready\n");
    std::fflush(stdout);
    pause();
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    std::signal(SIGTERM, [](int) { _exit(0); });
    if (argc >= 2 && std::strcmp(argv[1], "send") == 0) {
        return Send(argc, argv);
    }
    if (argc == 2 && std::strcmp(argv[1], "sink") == 0) {
        return Sink();
    }
    return Usage();
}
