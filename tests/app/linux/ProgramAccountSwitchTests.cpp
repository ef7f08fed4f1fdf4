// The launcher's switch from root to an unprivileged account, made in a forked child so that the test
// process stays root.
#include "FullRun.h"
#include "ProgramAccount.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// The real, effective and saved uids and gids, then the supplementary groups in order, whether root
// comes back and HOME, USER and LOGNAME, as one line.
std::string Describe(std::vector<unsigned> ids, std::vector<gid_t> groups, bool regained, std::string environment) {
    std::sort(groups.begin(), groups.end());
    ids.insert(ids.end(), groups.begin(), groups.end());
    std::string text = regained ? "root regained:" : "root lost:";
    for (const unsigned id : ids) {
        text += " " + std::to_string(id);
    }
    return text + " " + environment;
}

// In the child, which starts with supplementary groups of root's that the switch must not carry over.
std::string SwitchAndDescribe(const ProgramAccount& account) {
    const gid_t rootGroups[] = {0, 4};
    std::string failure;
    if (setgroups(2, rootGroups) != 0 || !BecomeAccount(account, false, failure)) {
        return "the switch failed: " + failure;
    }
    EnterAccountEnvironment(account);
    uid_t u[3];
    gid_t g[3];
    std::vector<gid_t> groups(64);
    groups.resize(std::max(getgroups(static_cast<int>(groups.size()), groups.data()), 0));
    getresuid(&u[0], &u[1], &u[2]);
    getresgid(&g[0], &g[1], &g[2]);
    const bool regained = setuid(0) == 0 || setgid(0) == 0;
    const auto env = [](const char* name) { return std::string(getenv(name) != nullptr ? getenv(name) : "unset"); };
    return Describe({u[0], u[1], u[2], g[0], g[1], g[2]}, groups, regained,
                    env("HOME") + " " + env("USER") + " " + env("LOGNAME"));
}

TEST(ProgramAccountSwitch, LeavesOnlyTheAccountsIdsAndGroupsAndNoWayBack) {
    if (geteuid() != 0) {
        SKIP_UNLESS_FULL_RUN("needs root: switches a child process to the account nobody");
    }
    const ProgramAccount account = ChooseProgramAccount("nobody");
    ASSERT_TRUE(account.switchFromRoot) << account.failure;
    std::vector<gid_t> groups(64);
    int count = static_cast<int>(groups.size());
    ASSERT_GE(getgrouplist(account.name.c_str(), account.gid, groups.data(), &count), 0);
    groups.resize(count);

    int report[2];
    ASSERT_EQ(pipe(report), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const std::string seen = SwitchAndDescribe(account);
        _exit(write(report[1], seen.data(), seen.size()) == static_cast<ssize_t>(seen.size()) ? 0 : 1);
    }
    close(report[1]);
    char seen[512];
    const ssize_t length = read(report[0], seen, sizeof seen);
    close(report[0]);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_EQ(status, 0);
    const uid_t u = account.uid, g = account.gid;
    EXPECT_EQ(std::string(seen, std::max<ssize_t>(length, 0)),
              Describe({u, u, u, g, g, g}, groups, false, account.home + " " + account.name + " " + account.name));
}

} // namespace
