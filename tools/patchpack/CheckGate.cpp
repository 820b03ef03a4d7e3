#include "CheckGate.h"

#include "check/Messages.h"
#include "common/ConsoleText.h"

#include <algorithm>

namespace brisel::tools {

namespace {

std::string Tally(int errors, int warnings, Language language) {
    if (language == Language::Japanese) {
        return u8"patchpack: エラー " + std::to_string(errors) + u8" 件、警告 " +
               std::to_string(warnings) + u8" 件\n";
    }
    const auto count = [](int n, const char* word) {
        return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
    };
    return "patchpack: " + count(errors, "error") + ", " + count(warnings, "warning") + "\n";
}

std::string Outcome(bool build, bool forceable, Language language) {
    const bool japanese = language == Language::Japanese;
    if (build) {
        return japanese ? u8"patchpack: --force により、エラーがあってもインストーラーを作ります\n"
                        : "patchpack: building the installer despite the errors (--force)\n";
    }
    if (forceable) {
        return japanese ? u8"patchpack: インストーラーは作られませんでした（--force を付けると"
                          u8"エラーがあっても作ります）\n"
                        : "patchpack: the installer was not built (--force builds it despite "
                          "the errors)\n";
    }
    return japanese ? u8"patchpack: インストーラーは作られませんでした\n"
                    : "patchpack: the installer was not built\n";
}

} // namespace

GateResult CheckBeforeWriting(const PackageFolder& folder, const GateOptions& options,
                              Language language) {
    const std::vector<Finding> findings = CheckPackage(folder, options.outputs, options.previous);
    GateResult result;
    std::string text;
    for (const auto& finding : findings) {
        Severity shown = SeverityOf(finding.id);
        if (options.strict && shown == Severity::Warning) {
            shown = Severity::Error;
        }
        if (shown != Severity::Note) {
            ++(shown == Severity::Error ? result.errors : result.warnings);
        }
        text += FindingLine(finding, shown, language) + "\n";
    }
    const bool forceable = std::none_of(findings.begin(), findings.end(), IsUnforceable);
    result.build = result.errors == 0 || (options.force && forceable);
    if (result.errors + result.warnings > 0) {
        text += Tally(result.errors, result.warnings, language);
    }
    if (result.errors > 0 && options.writes) {
        text += Outcome(result.build, forceable && !options.force, language);
    }
    WriteErr(text);
    return result;
}

} // namespace brisel::tools
