// build/linux/sorvane: starts the capture helper, drops every capability, and becomes the Winelib
// program. Only the helper may keep CAP_NET_RAW; the program and every Wine process run without.
//
// The helper comes from next to this launcher when the launcher holds CAP_NET_RAW (started by sudo,
// a service manager or a test with it in the ambient set): the capability is handed to the helper
// alone. Otherwise the installed copy with its file capability is used, when there is one.
#include "HelperProtocol.h"
#include "RawCapability.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#ifndef SORVANE_INSTALLED_HELPER
#define SORVANE_INSTALLED_HELPER "/usr/local/libexec/sorvane/sorvane-capture-helper"
#endif

namespace {

constexpr int kHelperChannel = 3;
constexpr char kHelperName[] = "sorvane-capture-helper";
constexpr char kProgram[] = "winelib/sorvane";

std::string OwnDirectory() {
    char path[PATH_MAX];
    const ssize_t size = readlink("/proc/self/exe", path, sizeof path - 1);
    if (size <= 0) {
        return ".";
    }
    const std::string self(path, static_cast<size_t>(size));
    return self.substr(0, self.rfind('/'));
}

std::string HelperPath(const std::string& directory, bool handingOnRaw) {
    if (!handingOnRaw && access(SORVANE_INSTALLED_HELPER, F_OK) == 0) {
        return SORVANE_INSTALLED_HELPER;
    }
    return directory + "/" + kHelperName;
}

// In the child: the helper's channel becomes descriptor 3, the capability goes with it when this
// process holds it, and the helper replaces the child. When it cannot start, its failure line is
// left on the channel for the program to show.
[[noreturn]] void RunHelper(const std::string& path, int channel, bool handingOnRaw) {
    if (channel != kHelperChannel) {
        dup2(channel, kHelperChannel);
    } else {
        fcntl(kHelperChannel, F_SETFD, 0);
    }
    std::string failure;
    if (handingOnRaw && !KeepOnlyRawCapability(true)) {
        failure = "capture helper start failed: CAP_NET_RAW could not be handed on\n";
    } else {
        execl(path.c_str(), kHelperName, static_cast<char*>(nullptr));
        failure = "capture helper start failed: " + path + ": " + std::strerror(errno) + "\n";
    }
    const std::string reply = FailureReply(failure);
    if (send(kHelperChannel, reply.data(), reply.size(), MSG_NOSIGNAL) < 0) {
        // Nobody to tell: the program then finds the helper gone.
    }
    _exit(127);
}

} // namespace

int main(int, char**) {
    const std::string directory = OwnDirectory();
    const bool handingOnRaw = HoldsRawCapability();
    int pair[2];
    if (socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair) != 0) {
        std::perror("sorvane: socketpair");
        return 1;
    }
    const pid_t helper = fork();
    if (helper < 0) {
        std::perror("sorvane: fork");
        return 1;
    }
    if (helper == 0) {
        close(pair[0]);
        RunHelper(HelperPath(directory, handingOnRaw), pair[1], handingOnRaw);
    }
    close(pair[1]);
    if (!DropAllCapabilities()) {
        std::fprintf(stderr, "sorvane: could not drop the capabilities; Wine is not started with them\n");
        return 1;
    }
    // The program's end must survive the exec into Wine; the program makes it close-on-exec again.
    fcntl(pair[0], F_SETFD, 0);
    setenv("SORVANE_CAPTURE_HELPER_FD", std::to_string(pair[0]).c_str(), 1);
    const std::string program = directory + "/" + kProgram;
    execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
    std::fprintf(stderr, "sorvane: cannot start %s: %s\n", program.c_str(), std::strerror(errno));
    return 1;
}
