// The package check as patchpack runs it before it writes anything: the
// findings are printed one per line to stderr, and the build goes on only
// when they allow it.
#pragma once

#include "check/PackageCheck.h"
#include "common/UserLanguage.h"

#include <vector>

namespace brisel::tools {

struct GateOptions {
    bool strict = false; // warnings count as errors
    bool force = false;  // build despite errors
    bool writes = true;  // false for a check alone, which says nothing of building
    std::vector<OutputTarget> outputs;
    std::vector<PreviousFolder> previous; // given with --from
};

struct GateResult {
    int errors = 0; // warnings included under strict
    int warnings = 0;
    bool build = false; // whether an installer may be written
};

// Checks the folder and prints every finding and a tally. An installer may
// be written when nothing counts as an error, or when force is given and no
// finding is one that force never overrides (an output written into the
// package folder or into a missing folder, a script that is no text).
GateResult CheckBeforeWriting(const PackageFolder& folder, const GateOptions& options,
                              Language language);

} // namespace brisel::tools
