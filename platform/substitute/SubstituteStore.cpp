#include "SubstituteStore.h"

#include "EnvironmentStore.h"
#include "FilesStore.h"
#include "RegistryStore.h"
#include "ShellStore.h"

namespace brisel::substitute {

void ResetAll() {
    PackageResources().clear();
    ResetRegistry();
    ResetEnvironment();
    ResetShell();
    ResetFiles();
}

} // namespace brisel::substitute
