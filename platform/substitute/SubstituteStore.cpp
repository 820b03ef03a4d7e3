#include "SubstituteStore.h"

#include "EnvironmentStore.h"
#include "RegistryStore.h"
#include "ShellStore.h"

namespace brisel::substitute {

void ResetAll() {
    PackageResources().clear();
    ResetRegistry();
    ResetEnvironment();
    ResetShell();
}

} // namespace brisel::substitute
