#include "SubstituteStore.h"

namespace brisel::substitute {

void ResetAll() { PackageResources().clear(); }

} // namespace brisel::substitute
