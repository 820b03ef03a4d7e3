// patchpack: builds a patch installer from a package folder.
//
//   patchpack check DIR [--strict]
//   patchpack rc DIR --stage DIR [--strict] [--force]
//   patchpack build DIR --link-recipe FILE --out FILE.exe [--arch ARCH] [--stage DIR]
//                       [--strict] [--force]
//
// Every command checks the package first and prints its findings to stderr;
// rc and build write nothing when the check finds errors, unless --force.
// Exit status: 0 done, 1 the package has errors, 2 usage or I/O trouble.
#include "BuildSummary.h"
#include "CheckGate.h"
#include "LinkRecipe.h"
#include "common/ConsoleText.h"
#include "support/Mbcs.h"

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

using namespace brisel;
using namespace brisel::tools;
namespace fs = std::filesystem;

namespace {

constexpr int kDone = 0;
constexpr int kPackageErrors = 1;
constexpr int kTrouble = 2;

const std::set<std::string> kFlags = {"--strict", "--force"};
const std::set<std::string> kValueOptions = {"--link-recipe", "--out", "--arch", "--stage"};

int Usage() {
    WriteErr("usage: patchpack check DIR [--strict]\n"
             "       patchpack rc DIR --stage DIR [--strict] [--force]\n"
             "       patchpack build DIR --link-recipe FILE --out FILE.exe [--arch ARCH] "
             "[--stage DIR] [--strict] [--force]\n");
    return kTrouble;
}

struct Arguments {
    std::string folder;
    std::map<std::string, std::string> options;
    std::set<std::string> flags;

    const std::string* Option(const std::string& name) const {
        const auto it = options.find(name);
        return it == options.end() ? nullptr : &it->second;
    }
    bool Flag(const std::string& name) const { return flags.count(name) > 0; }
};

bool Parse(const std::vector<std::string>& args, Arguments& parsed) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (kFlags.count(args[i]) > 0) {
            parsed.flags.insert(args[i]);
        } else if (kValueOptions.count(args[i]) > 0) {
            if (i + 1 >= args.size()) {
                return false;
            }
            parsed.options[args[i]] = args[i + 1];
            ++i;
        } else if (args[i].rfind("--", 0) == 0 || !parsed.folder.empty()) {
            return false;
        } else {
            parsed.folder = args[i];
        }
    }
    return !parsed.folder.empty();
}

GateOptions Gate(const Arguments& args, std::vector<OutputTarget> outputs) {
    GateOptions gate;
    gate.strict = args.Flag("--strict");
    gate.force = args.Flag("--force");
    gate.outputs = std::move(outputs);
    return gate;
}

int Check(const PackageFolder& folder, const Arguments& args, Language language) {
    GateOptions gate = Gate(args, {});
    gate.force = false;
    gate.writes = false;
    const GateResult result = CheckBeforeWriting(folder, gate, language);
    if (result.errors > 0) {
        return kPackageErrors;
    }
    WriteOut(SummaryText(PlanPackage(folder), std::nullopt, language));
    return kDone;
}

int Rc(const PackageFolder& folder, const Arguments& args, Language language) {
    const std::string* stage = args.Option("--stage");
    if (stage == nullptr) {
        return Usage();
    }
    if (!CheckBeforeWriting(folder, Gate(args, {{"--stage", *stage, true}}), language).build) {
        return kPackageErrors;
    }
    StagePackage(PlanPackage(folder), *stage);
    return kDone;
}

int Build(const PackageFolder& folder, const Arguments& args, Language language) {
    const std::string* recipeFile = args.Option("--link-recipe");
    const std::string* out = args.Option("--out");
    if (recipeFile == nullptr || out == nullptr) {
        return Usage();
    }
    const LinkRecipe recipe = ReadLinkRecipe(*recipeFile);
    const std::string* arch = args.Option("--arch");
    if (arch != nullptr && *arch != recipe.arch) {
        throw PackageError("the link recipe " + *recipeFile + " builds for " + recipe.arch +
                           ", not " + *arch);
    }
    const fs::path output = fs::absolute(*out);
    const std::string* stageOption = args.Option("--stage");
    const fs::path stage = stageOption != nullptr ? fs::absolute(*stageOption)
                                                  : fs::path(output.string() + ".package");
    if (!CheckBeforeWriting(folder, Gate(args, {{"--out", output}, {"--stage", stage, true}}),
                            language)
             .build) {
        return kPackageErrors;
    }
    const PackagePlan plan = PlanPackage(folder);
    const fs::path rc = StagePackage(plan, stage);
    const fs::path res = stage / "package.res.o";
    if (RunCommand(Expand(recipe.windres, rc.string(), res.string(), output.string())) != 0) {
        throw PackageError("the resource compiler failed on " + rc.string());
    }
    if (RunCommand(Expand(recipe.link, rc.string(), res.string(), output.string())) != 0) {
        throw PackageError("linking " + output.string() + " failed");
    }
    WriteOut(SummaryText(plan, InstallerFile{output, fs::file_size(output)}, language));
    return kDone;
}

std::string Trouble(const std::string& what, Language language) {
    return (language == Language::Japanese ? u8"patchpack: エラー: " : "patchpack: error: ") +
           what + "\n";
}

} // namespace

int main(int argc, char** argv) {
    InstallLeadByteSet(LeadByteSet::ShiftJis());
    if (argc < 3) {
        return Usage();
    }
    const std::string command = argv[1];
    Arguments args;
    if (!Parse(std::vector<std::string>(argv + 2, argv + argc), args)) {
        return Usage();
    }
    if (command != "check" && command != "rc" && command != "build") {
        return Usage();
    }
    const Language language = UserLanguage();
    try {
        const auto host = MakeHostFiles();
        const PackageFolder folder(*host, fs::u8path(args.folder));
        if (command == "check") {
            return Check(folder, args, language);
        }
        if (command == "rc") {
            return Rc(folder, args, language);
        }
        return Build(folder, args, language);
    } catch (const PackageFolderMissing& e) {
        WriteErr(Trouble(std::string(e.what()) + (language == Language::Japanese
                                                      ? u8": パッケージフォルダーがありません"
                                                      : ": no such package folder"),
                         language));
    } catch (const std::exception& e) {
        WriteErr(Trouble(e.what(), language));
    }
    return kTrouble;
}
