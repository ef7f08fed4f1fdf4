// The process's capability sets, through capget/capset and prctl (no library needed).
#include "RawCapability.h"

#include <cstdint>

#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

constexpr uint64_t kRaw = uint64_t{1} << CAP_NET_RAW;
constexpr uint64_t kSetPcap = uint64_t{1} << CAP_SETPCAP;

struct CapabilitySets {
    uint64_t effective;
    uint64_t permitted;
    uint64_t inheritable;
};

bool Read(CapabilitySets& sets) {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
    if (syscall(SYS_capget, &header, data) != 0) {
        return false;
    }
    auto join = [](uint32_t low, uint32_t high) { return uint64_t{low} | uint64_t{high} << 32; };
    sets = {join(data[0].effective, data[1].effective), join(data[0].permitted, data[1].permitted),
            join(data[0].inheritable, data[1].inheritable)};
    return true;
}

bool Write(const CapabilitySets& sets) {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
    for (int i = 0; i < 2; ++i) {
        data[i] = {static_cast<uint32_t>(sets.effective >> (32 * i)), static_cast<uint32_t>(sets.permitted >> (32 * i)),
                   static_cast<uint32_t>(sets.inheritable >> (32 * i))};
    }
    return syscall(SYS_capset, &header, data) == 0;
}

// Needs CAP_SETPCAP in the effective set; without it the bounding set stays as it is, and
// no_new_privs is what keeps a root exec from regaining what was dropped.
void LimitBoundingSet(uint64_t keep) {
    for (int capability = 0; capability < 64 && prctl(PR_CAPBSET_READ, capability, 0, 0, 0) >= 0; ++capability) {
        if ((keep & (uint64_t{1} << capability)) == 0) {
            prctl(PR_CAPBSET_DROP, capability, 0, 0, 0);
        }
    }
}

bool KeepOnly(uint64_t keep, bool handOn) {
    CapabilitySets before{};
    if (!Read(before)) {
        return false;
    }
    keep &= before.permitted;
    if ((before.effective & kSetPcap) != 0) {
        LimitBoundingSet(keep);
    }
    if (prctl(PR_CAP_AMBIENT, PR_CAP_AMBIENT_CLEAR_ALL, 0, 0, 0) != 0 || !Write({keep, keep, handOn ? keep : 0})) {
        return false;
    }
    if (handOn && keep != 0 && prctl(PR_CAP_AMBIENT, PR_CAP_AMBIENT_RAISE, CAP_NET_RAW, 0, 0) != 0) {
        return false;
    }
    if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0) {
        return false;
    }
    CapabilitySets after{};
    return Read(after) && after.effective == keep && after.permitted == keep &&
           after.inheritable == (handOn ? keep : 0);
}

} // namespace

bool HoldsRawCapability() {
    CapabilitySets sets{};
    return Read(sets) && (sets.permitted & kRaw) != 0;
}

bool KeepOnlyRawCapability(bool handOn) {
    return KeepOnly(kRaw, handOn);
}

bool DropAllCapabilities() {
    return KeepOnly(0, false);
}
