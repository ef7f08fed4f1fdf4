// The launcher's switch from root to an unprivileged account, made in a child process so that the
// test process keeps its root.
#include "FullRun.h"
#include "ProgramAccount.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::string Numbers(std::vector<unsigned> numbers) {
    std::string text;
    for (const unsigned number : numbers)
        text += std::to_string(number) + " ";
    return text;
}

// In the child, starting with root's own supplementary groups, which the switch must not carry over:
// the real, effective and saved uids and gids, the groups, whether root comes back and the
// account's environment, as one line.
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
    std::sort(groups.begin(), groups.end());
    getresuid(&u[0], &u[1], &u[2]);
    getresgid(&g[0], &g[1], &g[2]);
    const bool regained = setuid(0) == 0 || setgid(0) == 0;
    const auto env = [](const char* name) { return std::string(getenv(name) != nullptr ? getenv(name) : "unset"); };
    return Numbers({u[0], u[1], u[2], g[0], g[1], g[2]}) + "groups " + Numbers({groups.begin(), groups.end()}) +
           (regained ? "root regained " : "") + env("HOME") + " " + env("USER") + " " + env("LOGNAME");
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
    std::sort(groups.begin(), groups.end());

    int report[2];
    ASSERT_EQ(pipe(report), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const std::string seen = SwitchAndDescribe(account);
        _exit(write(report[1], seen.data(), seen.size()) == static_cast<ssize_t>(seen.size()) ? 0 : 1);
    }
    close(report[1]);
    std::string seen;
    char buffer[256];
    for (ssize_t got; (got = read(report[0], buffer, sizeof buffer)) > 0;)
        seen.append(buffer, got);
    close(report[0]);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_EQ(status, 0);
    const uid_t u = account.uid, g = account.gid;
    EXPECT_EQ(seen, Numbers({u, u, u, g, g, g}) + "groups " + Numbers({groups.begin(), groups.end()}) + account.home +
                        " " + account.name + " " + account.name);
}

} // namespace
