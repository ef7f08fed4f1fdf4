// The table of ids by name: resource.h's own, generated from it by the build, and the system's buttons.
#include "ControlIds.h"

#include "resource.h"

namespace {

struct NamedId {
    const char16_t* name;
    int id;
};

constexpr NamedId kNamedIds[] = {
#include "ResourceNames.inc"
    {u"IDOK", IDOK},
    {u"IDCANCEL", IDCANCEL},
};

} // namespace

bool ControlIdByName(const WideString& name, int& id) {
    for (const NamedId& named : kNamedIds) {
        if (name == named.name) {
            id = named.id;
            return true;
        }
    }
    return false;
}
