// sorvane_bench_usage: runs a command, passes SIGINT and SIGTERM on to it, and writes its CPU time.
#include <cerrno>
#include <csignal>
#include <cstdio>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

volatile sig_atomic_t g_child = 0;

void Forward(int signal) {
    if (g_child > 0) {
        kill(g_child, signal);
    }
}

double Seconds(const timeval& value) {
    return static_cast<double>(value.tv_sec) + static_cast<double>(value.tv_usec) / 1e6;
}

} // namespace

// usage: sorvane_bench_usage REPORT_FILE COMMAND [ARGUMENTS...]
int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: sorvane_bench_usage REPORT_FILE COMMAND [ARGUMENTS...]\n");
        return 2;
    }
    struct sigaction forward {};
    forward.sa_handler = Forward;
    sigaction(SIGINT, &forward, nullptr);
    sigaction(SIGTERM, &forward, nullptr);
    const pid_t child = fork();
    if (child == 0) {
        execvp(argv[2], argv + 2);
        std::perror(argv[2]);
        _exit(127);
    }
    g_child = child;
    int status = 0;
    rusage usage{};
    while (wait4(child, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    FILE* report = std::fopen(argv[1], "w");
    if (report != nullptr) {
        std::fprintf(report, "cpu=%.6f user=%.6f system=%.6f\n", Seconds(usage.ru_utime) + Seconds(usage.ru_stime),
                     Seconds(usage.ru_utime), Seconds(usage.ru_stime));
        std::fclose(report);
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}
