// build/linux/sorvane: starts the capture helper, drops every capability, and becomes the Winelib
// program. Only the helper may keep CAP_NET_RAW; the program and every Wine process run without,
// and never as root.
//
// The helper comes from next to this launcher when the launcher holds CAP_NET_RAW (started by root,
// a service manager or a test with it in the ambient set): the capability is handed to the helper
// alone. Otherwise the installed copy with its file capability is used, when there is one.
//
// Started by root, the launcher runs both as the user that --user NAME or SUDO_UID names, or
// refuses: the helper switches user keeping its permitted set and then keeps CAP_NET_RAW alone,
// the program switches user and so loses every capability.
#include "HelperProtocol.h"
#include "ProgramAccount.h"
#include "RawCapability.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

// The build names these: the helper that the one-time set-up or the package installs with its file
// capability, and the program and a helper without one, relative to this launcher's own folder (the
// build's launcher finds both in the build, the installed one in the install prefix).
#ifndef SORVANE_INSTALLED_HELPER
#define SORVANE_INSTALLED_HELPER "/usr/local/libexec/sorvane/sorvane-capture-helper"
#endif
#ifndef SORVANE_PROGRAM
#define SORVANE_PROGRAM "winelib/sorvane"
#endif
#ifndef SORVANE_HELPER
#define SORVANE_HELPER "sorvane-capture-helper"
#endif

namespace {

constexpr int kHelperChannel = 3;
constexpr char kHelperName[] = "sorvane-capture-helper";
constexpr char kHelper[] = SORVANE_HELPER;
constexpr char kProgram[] = SORVANE_PROGRAM;
constexpr char kUsage[] = "usage: sorvane [--user NAME]";

// The folder this launcher was started from; the helper and the program are found next to it, so
// a launcher that cannot tell where it is starts nothing.
bool OwnDirectory(std::string& directory) {
    char path[PATH_MAX];
    const ssize_t size = readlink("/proc/self/exe", path, sizeof path - 1);
    if (size <= 0) {
        std::fprintf(stderr, "sorvane: cannot find its own path in /proc/self/exe: %s\n",
                     size < 0 ? std::strerror(errno) : "empty");
        return false;
    }
    const std::string self(path, static_cast<size_t>(size));
    directory = self.substr(0, self.rfind('/'));
    return true;
}

// --user NAME or --user=NAME; false on anything else.
bool ReadOptions(int argc, char** argv, std::string& requestedUser) {
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--user" && i + 1 < argc && argv[i + 1][0] != '\0') {
            requestedUser = argv[++i];
        } else if (argument.rfind("--user=", 0) == 0 && argument.size() > 7) {
            requestedUser = argument.substr(7);
        } else {
            return false;
        }
    }
    return true;
}

std::string HelperPath(const std::string& directory, bool handingOnRaw) {
    if (!handingOnRaw && access(SORVANE_INSTALLED_HELPER, F_OK) == 0) {
        return SORVANE_INSTALLED_HELPER;
    }
    return directory + "/" + kHelper;
}

// The helper's process before its exec: the account's ids, and CAP_NET_RAW alone when it is handed
// on. Returns the failure line, empty when the helper may start.
std::string PrepareHelperProcess(const ProgramAccount& account, bool handingOnRaw) {
    std::string failure;
    if (account.switchFromRoot && !BecomeAccount(account, handingOnRaw, failure)) {
        return "capture helper start failed: cannot become " + account.name + ": " + failure + "\n";
    }
    if (handingOnRaw && !KeepOnlyRawCapability(true)) {
        return "capture helper start failed: CAP_NET_RAW could not be handed on\n";
    }
    if (account.switchFromRoot && CanRegainRoot()) {
        return "capture helper start failed: it could still become root\n";
    }
    return "";
}

// In the child: the helper's channel becomes descriptor 3, the capability goes with it when this
// process holds it, and the helper replaces the child. When it cannot start, its failure line is
// left on the channel for the program to show.
[[noreturn]] void RunHelper(const std::string& path, int channel, const ProgramAccount& account, bool handingOnRaw) {
    if (channel != kHelperChannel) {
        dup2(channel, kHelperChannel);
    } else {
        fcntl(kHelperChannel, F_SETFD, 0);
    }
    std::string failure = PrepareHelperProcess(account, handingOnRaw);
    if (failure.empty()) {
        execl(path.c_str(), kHelperName, static_cast<char*>(nullptr));
        failure = "capture helper start failed: " + path + ": " + std::strerror(errno) + "\n";
    }
    const std::string reply = FailureReply(failure);
    if (send(kHelperChannel, reply.data(), reply.size(), MSG_NOSIGNAL) < 0) {
        // Nobody to tell: the program then finds the helper gone.
    }
    _exit(127);
}

// The program's process before it becomes Wine: the account's ids and no capability at all. The
// check comes last, as securebits set by whoever started the launcher may keep capabilities across
// the switch until they are dropped.
bool PrepareProgramProcess(const ProgramAccount& account) {
    std::string failure;
    if (account.switchFromRoot && !BecomeAccount(account, false, failure)) {
        std::fprintf(stderr, "sorvane: cannot become %s: %s\n", account.name.c_str(), failure.c_str());
        return false;
    }
    if (!DropAllCapabilities()) {
        std::fprintf(stderr, "sorvane: could not drop the capabilities; Wine is not started with them\n");
        return false;
    }
    if (account.switchFromRoot) {
        if (CanRegainRoot()) {
            std::fprintf(stderr, "sorvane: could still become root after switching to %s\n", account.name.c_str());
            return false;
        }
        EnterAccountEnvironment(account);
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    std::string requestedUser;
    if (!ReadOptions(argc, argv, requestedUser)) {
        std::fprintf(stderr, "%s\n", kUsage);
        return 2;
    }
    const ProgramAccount account = ChooseProgramAccount(requestedUser);
    if (!account.failure.empty()) {
        std::fprintf(stderr, "%s\n", account.failure.c_str());
        return 1;
    }
    std::string directory;
    if (!OwnDirectory(directory)) {
        return 1;
    }
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
        RunHelper(HelperPath(directory, handingOnRaw), pair[1], account, handingOnRaw);
    }
    close(pair[1]);
    if (!PrepareProgramProcess(account)) {
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
