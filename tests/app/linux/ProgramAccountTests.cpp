// The launcher's choice of account: who started it, SUDO_UID, --user and the passwd entries.
#include "ProgramAccount.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace {

const ProgramAccount kPasswd[] = {
    {false, 1000, 1000, "alice", "/home/alice", ""},
    {false, 1001, 100, "bob", "/srv/bob", ""},
    {false, 0, 0, "toor", "/root", ""},
};

std::optional<ProgramAccount> Find(bool byName, const std::string& name, uid_t uid) {
    for (const ProgramAccount& entry : kPasswd) {
        if (byName ? entry.name == name : entry.uid == uid) {
            return entry;
        }
    }
    return std::nullopt;
}

const AccountLookup kLookup{[](const std::string& name) { return Find(true, name, 0); },
                            [](uid_t uid) { return Find(false, "", uid); }};

constexpr char kRootRefusal[] = "sorvane: will not run as root: start it through sudo from your own account "
                                "(sudo keeps you in SUDO_UID), or name an unprivileged user with --user NAME";

struct ChoiceCase {
    const char* name;
    uid_t real, effective, saved;
    const char* sudoUid;
    const char* user;
    const char* switchTo; // the entry switched to; null when the launcher stays as it is
    std::string failure;
};

const ChoiceCase kCases[] = {
    {"root takes the --user account", 0, 0, 0, "", "bob", "bob", ""},
    {"--user comes before SUDO_UID", 0, 0, 0, "1000", "bob", "bob", ""},
    {"root takes the SUDO_UID account", 0, 0, 0, "1000", "", "alice", ""},
    {"an effective uid 0 alone is root", 1000, 0, 1000, "1001", "", "bob", ""},
    {"a saved uid 0 alone is root", 1000, 1000, 0, "", "", nullptr, kRootRefusal},
    {"root with neither refuses", 0, 0, 0, "", "", nullptr, kRootRefusal},
    {"SUDO_UID 0 is none", 0, 0, 0, "0", "", nullptr, kRootRefusal},
    {"SUDO_UID with a tail is none", 0, 0, 0, "1000x", "", nullptr, kRootRefusal},
    {"SUDO_UID with a leading space is none", 0, 0, 0, " 1000", "", nullptr, kRootRefusal},
    {"SUDO_UID beyond 32 bits is none", 0, 0, 0, "4294968296", "", nullptr, kRootRefusal},
    {"root: unknown --user", 0, 0, 0, "1000", "carol", nullptr, "sorvane: no such user: carol"},
    {"root: SUDO_UID of no one", 0, 0, 0, "4242", "", nullptr, "sorvane: no such user: SUDO_UID 4242"},
    {"a uid-0 target is refused", 0, 0, 0, "1000", "toor", nullptr,
     "sorvane: --user must name an unprivileged user, not toor (uid 0)"},
    {"a plain start stays as it is", 1000, 1000, 1000, "", "", nullptr, ""},
    {"without root SUDO_UID is ignored", 1000, 1000, 1000, "1001", "", nullptr, ""},
    {"without root --user may name itself", 1000, 1000, 1000, "", "alice", nullptr, ""},
    {"without root --user another needs root", 1000, 1000, 1000, "", "bob", nullptr, "sorvane: --user bob needs root"},
    {"without root an unknown --user", 1000, 1000, 1000, "", "carol", nullptr, "sorvane: --user carol needs root"},
};

TEST(ProgramAccountChoice, FollowsWhoStartedItAndWhatItWasAsked) {
    for (const ChoiceCase& c : kCases) {
        SCOPED_TRACE(c.name);
        const ProgramAccount account =
            ChooseProgramAccount(AccountRequest{c.real, c.effective, c.saved, c.sudoUid, c.user}, kLookup);
        ProgramAccount expected = c.switchTo != nullptr ? *Find(true, c.switchTo, 0) : ProgramAccount{};
        expected.switchFromRoot = c.switchTo != nullptr;
        expected.failure = c.failure;
        const auto fields = [](const ProgramAccount& a) {
            return std::make_tuple(a.switchFromRoot, a.uid, a.gid, a.name, a.home, a.failure);
        };
        EXPECT_EQ(fields(account), fields(expected));
    }
}

} // namespace
