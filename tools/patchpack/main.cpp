// patchpack: builds a patch installer from a package folder.
//
//   patchpack check DIR                      validate, list what is embedded
//   patchpack rc DIR --stage DIR             stage the items and write package.rc
//   patchpack build DIR --link-recipe FILE --out FILE.exe [--arch ARCH] [--stage DIR]
#include "LinkRecipe.h"
#include "common/Cp932.h"
#include "common/PackagePlan.h"
#include "support/Mbcs.h"

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

using namespace brisel;
using namespace brisel::tools;
namespace fs = std::filesystem;

namespace {

int Usage() {
    std::fputs("usage: patchpack check DIR\n"
               "       patchpack rc DIR --stage DIR\n"
               "       patchpack build DIR --link-recipe FILE --out FILE.exe [--arch ARCH] "
               "[--stage DIR]\n",
               stderr);
    return 2;
}

struct Arguments {
    std::string folder;
    std::map<std::string, std::string> options;
};

bool Parse(const std::vector<std::string>& args, Arguments& parsed) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i].rfind("--", 0) == 0) {
            if (i + 1 >= args.size()) {
                return false;
            }
            parsed.options[args[i]] = args[i + 1];
            ++i;
        } else if (parsed.folder.empty()) {
            parsed.folder = args[i];
        } else {
            return false;
        }
    }
    return !parsed.folder.empty();
}

PackagePlan PlanAndWarn(const std::string& folder) {
    PackagePlan plan = PlanPackage(folder);
    for (const auto& warning : plan.warnings) {
        std::fprintf(stderr, "patchpack: warning: %s\n", warning.c_str());
    }
    return plan;
}

int Check(const Arguments& args) {
    const PackagePlan plan = PlanAndWarn(args.folder);
    std::printf("RESOURCE_SCRIPT TEXT %s\n", plan.script.string().c_str());
    std::printf("RESOURCE_BACKGROUND BMP %s\n", plan.background.string().c_str());
    for (const auto& payload : plan.payloads) {
        std::printf("RESOURCE_FILE%d BIN %s (\"%s\")\n", payload.number,
                    payload.source.string().c_str(), Cp932ToUtf8(payload.entry).c_str());
    }
    return 0;
}

int Rc(const Arguments& args) {
    const auto stage = args.options.find("--stage");
    if (stage == args.options.end()) {
        return Usage();
    }
    StagePackage(PlanAndWarn(args.folder), stage->second);
    return 0;
}

int Build(const Arguments& args) {
    const auto recipeFile = args.options.find("--link-recipe");
    const auto out = args.options.find("--out");
    if (recipeFile == args.options.end() || out == args.options.end()) {
        return Usage();
    }
    const LinkRecipe recipe = ReadLinkRecipe(recipeFile->second);
    const auto arch = args.options.find("--arch");
    if (arch != args.options.end() && arch->second != recipe.arch) {
        throw PackageError("the link recipe " + recipeFile->second + " builds for " + recipe.arch +
                           ", not " + arch->second);
    }
    const fs::path output = fs::absolute(out->second);
    const auto stageOption = args.options.find("--stage");
    const fs::path stage = stageOption != args.options.end()
                               ? fs::path(stageOption->second)
                               : fs::path(output.string() + ".package");
    const fs::path rc = StagePackage(PlanAndWarn(args.folder), stage);
    const fs::path res = stage / "package.res.o";
    if (RunCommand(Expand(recipe.windres, rc.string(), res.string(), output.string())) != 0) {
        throw PackageError("the resource compiler failed on " + rc.string());
    }
    if (RunCommand(Expand(recipe.link, rc.string(), res.string(), output.string())) != 0) {
        throw PackageError("linking " + output.string() + " failed");
    }
    return 0;
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
    try {
        if (command == "check") {
            return Check(args);
        }
        if (command == "rc") {
            return Rc(args);
        }
        if (command == "build") {
            return Build(args);
        }
        return Usage();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "patchpack: %s\n", e.what());
    }
    return 1;
}
