// The account the launcher runs the program and its capture helper as, and the switch to it.
#include "ProgramAccount.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <grp.h>
#include <pwd.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

constexpr char kRootRefusal[] = "sorvane: will not run as root: start it through sudo from your own account "
                                "(sudo keeps you in SUDO_UID), or name an unprivileged user with --user NAME";

ProgramAccount Refusal(const std::string& failure) {
    ProgramAccount account;
    account.failure = failure;
    return account;
}

ProgramAccount FromEntry(const std::optional<ProgramAccount>& entry, const std::string& asked) {
    return entry ? *entry : Refusal("sorvane: no such user: " + asked);
}

std::optional<ProgramAccount> AccountOf(const passwd* entry) {
    if (entry == nullptr) {
        return std::nullopt;
    }
    ProgramAccount account;
    account.uid = entry->pw_uid;
    account.gid = entry->pw_gid;
    account.name = entry->pw_name;
    account.home = entry->pw_dir;
    return account;
}

// SUDO_UID as a user id; 0 when it is unset, empty or not a number.
uid_t SudoUid(const std::string& text) {
    if (text.empty() || text[0] < '0' || text[0] > '9') {
        return 0;
    }
    char* end = nullptr;
    const unsigned long value = std::strtoul(text.c_str(), &end, 10);
    return *end == '\0' && value == static_cast<uid_t>(value) ? static_cast<uid_t>(value) : 0;
}

ProgramAccount ChooseForRoot(const AccountRequest& request, const AccountLookup& lookup) {
    ProgramAccount account;
    if (!request.requestedUser.empty()) {
        account = FromEntry(lookup.byName(request.requestedUser), request.requestedUser);
    } else if (const uid_t sudoUid = SudoUid(request.sudoUid); sudoUid != 0) {
        account = FromEntry(lookup.byUid(sudoUid), "SUDO_UID " + std::to_string(sudoUid));
    } else {
        return Refusal(kRootRefusal);
    }
    if (account.failure.empty() && account.uid == 0) {
        return Refusal("sorvane: --user must name an unprivileged user, not " + account.name + " (uid 0)");
    }
    account.switchFromRoot = account.failure.empty();
    return account;
}

bool Failed(const char* step, std::string& failure) {
    failure = std::string(step) + ": " + std::strerror(errno);
    return false;
}

} // namespace

ProgramAccount ChooseProgramAccount(const AccountRequest& request, const AccountLookup& lookup) {
    if (request.realUid == 0 || request.effectiveUid == 0 || request.savedUid == 0) {
        return ChooseForRoot(request, lookup);
    }
    const std::optional<ProgramAccount> requested =
        request.requestedUser.empty() ? std::nullopt : lookup.byName(request.requestedUser);
    if (!request.requestedUser.empty() && (!requested || requested->uid != request.realUid)) {
        return Refusal("sorvane: --user " + request.requestedUser + " needs root");
    }
    return ProgramAccount{};
}

ProgramAccount ChooseProgramAccount(const std::string& requestedUser) {
    AccountRequest request;
    // User ids that cannot be read count as root's, which has the launcher refuse rather than stay.
    if (getresuid(&request.realUid, &request.effectiveUid, &request.savedUid) != 0) {
        request.realUid = request.effectiveUid = request.savedUid = 0;
    }
    const char* sudoUid = std::getenv("SUDO_UID");
    request.sudoUid = sudoUid != nullptr ? sudoUid : "";
    request.requestedUser = requestedUser;
    const AccountLookup system{[](const std::string& name) { return AccountOf(getpwnam(name.c_str())); },
                               [](uid_t uid) { return AccountOf(getpwuid(uid)); }};
    return ChooseProgramAccount(request, system);
}

bool BecomeAccount(const ProgramAccount& account, bool keepCapabilities, std::string& failure) {
    if (keepCapabilities && prctl(PR_SET_KEEPCAPS, 1, 0, 0, 0) != 0) {
        return Failed("prctl(PR_SET_KEEPCAPS)", failure);
    }
    if (initgroups(account.name.c_str(), account.gid) != 0) {
        return Failed("initgroups", failure);
    }
    if (setresgid(account.gid, account.gid, account.gid) != 0) {
        return Failed("setresgid", failure);
    }
    if (setresuid(account.uid, account.uid, account.uid) != 0) {
        return Failed("setresuid", failure);
    }
    uid_t real = 0, effective = 0, saved = 0;
    gid_t realGroup = 0, effectiveGroup = 0, savedGroup = 0;
    if (getresuid(&real, &effective, &saved) != 0 || getresgid(&realGroup, &effectiveGroup, &savedGroup) != 0 ||
        real != account.uid || effective != account.uid || saved != account.uid || realGroup != account.gid ||
        effectiveGroup != account.gid || savedGroup != account.gid) {
        failure = "the user and group ids are not all " + account.name + "'s after the switch";
        return false;
    }
    return true;
}

bool CanRegainRoot() {
    return setresuid(0, 0, 0) == 0 || setresgid(0, 0, 0) == 0;
}

void EnterAccountEnvironment(const ProgramAccount& account) {
    setenv("HOME", account.home.c_str(), 1);
    setenv("USER", account.name.c_str(), 1);
    setenv("LOGNAME", account.name.c_str(), 1);
    if (access(".", X_OK) != 0 && chdir(account.home.c_str()) != 0) {
        // Wine then starts in a folder it cannot enter, and says so itself.
    }
}
