// The account the launcher runs the program and its capture helper as, and the switch to it.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include <sys/types.h>

struct ProgramAccount {
    bool switchFromRoot = false; // false: the launcher's own account, nothing to switch
    uid_t uid = 0;
    gid_t gid = 0;
    std::string name;
    std::string home;
    std::string failure; // set when the launcher must not start
};

// What the launcher was started with: its user ids, SUDO_UID's text (empty when unset) and --user
// (empty without it).
struct AccountRequest {
    uid_t realUid = 0;
    uid_t effectiveUid = 0;
    uid_t savedUid = 0;
    std::string sudoUid;
    std::string requestedUser;
};

// The passwd database as the choice reads it: the entry of a name or of a user id, as an account
// with its uid, gid, name and home, or nullopt when there is none.
struct AccountLookup {
    std::function<std::optional<ProgramAccount>(const std::string& name)> byName;
    std::function<std::optional<ProgramAccount>(uid_t uid)> byUid;
};

// Started by root (any of the real, effective or saved user ids 0), the program runs as the user
// named by requestedUser, or else the one SUDO_UID names; never as root. Without either the choice
// fails with the line that says how to start. Started by anyone else, the program runs as that
// account, and requestedUser may only name it.
ProgramAccount ChooseProgramAccount(const AccountRequest& request, const AccountLookup& lookup);

// The choice for this process: its own user ids, its SUDO_UID and the system's passwd database.
ProgramAccount ChooseProgramAccount(const std::string& requestedUser);

// initgroups, setresgid, setresuid, then checks that every user and group id is the account's.
// keepCapabilities keeps the permitted set across the switch (for handing CAP_NET_RAW on); the
// effective set is empty afterwards either way. False with failure set when any step fails.
bool BecomeAccount(const ProgramAccount& account, bool keepCapabilities, std::string& failure);

// True when the process can still make any of its user ids 0.
bool CanRegainRoot();

// HOME, USER and LOGNAME of the account, and its home as the working folder when the current one
// is closed to it.
void EnterAccountEnvironment(const ProgramAccount& account);
