#include "Command.h"

#include "InstallerBuild.h"
#include "common/Cp932.h"
#include "common/PackagePlan.h"
#include "common/Unicode.h"
#include "host/Host.h"
#include "support/Mbcs.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <stdexcept>

namespace brisel::tools {

namespace fs = std::filesystem;

namespace {

constexpr int kDone = 0;
constexpr int kFailed = 1;
constexpr int kUsageError = 2;

const char kHelp[] =
    "patchpack: makes patch installers from package folders.\n"
    "\n"
    "usage: patchpack build PACKAGE_DIR --out FILE.exe [options]\n"
    "       patchpack check PACKAGE_DIR\n"
    "       patchpack --help\n"
    "\n"
    "build writes FILE.exe: the installer stub with the package's script, background\n"
    "picture and payload files. check lists what an installer would carry.\n"
    "\n"
    "options of build:\n"
    "  --arch i686|x86_64        the installer's architecture (default i686)\n"
    "  --stub FILE.exe           the stub to start from (default: stubs/stub-ARCH.exe\n"
    "                            beside patchpack)\n"
    "  --icon FILE.ico           the program icon, with all its sizes\n"
    "  --product-version TEXT    version record texts shown in the file's properties\n"
    "  --file-description TEXT\n"
    "  --product-name TEXT\n"
    "\n"
    "exit status: 0 done, 1 the package cannot become an installer, 2 wrong usage\n";

void Print(std::FILE* stream, const std::string& text) {
    WriteText(stream, text);
}

int UsageError(const std::string& problem) {
    Print(stderr, "patchpack: " + problem + " (see patchpack --help)\n");
    return kUsageError;
}

struct Parsed {
    std::vector<std::string> positional;
    std::map<std::string, std::string> options;
};

// Splits arguments into positional ones and known options with a value
// ("--name value" or "--name=value"). Returns an error text, or "".
std::string Parse(const std::vector<std::string>& args, const std::vector<std::string>& known,
                  Parsed& parsed) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.rfind("--", 0) != 0 || arg == "--") {
            parsed.positional.push_back(arg);
            continue;
        }
        const std::size_t equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        if (std::find(known.begin(), known.end(), name) == known.end()) {
            return "unknown option " + name;
        }
        if (equals != std::string::npos) {
            parsed.options[name] = arg.substr(equals + 1);
        } else if (i + 1 < args.size()) {
            parsed.options[name] = args[++i];
        } else {
            return name + " needs a value";
        }
    }
    return "";
}

PackagePlan PlanAndWarn(const fs::path& folder) {
    PackagePlan plan = PlanPackage(folder);
    for (const auto& warning : plan.warnings) {
        Print(stderr, "patchpack: warning: " + warning + "\n");
    }
    return plan;
}

int Check(const std::vector<std::string>& args) {
    Parsed parsed;
    const std::string error = Parse(args, {}, parsed);
    if (!error.empty()) {
        return UsageError(error);
    }
    if (parsed.positional.size() != 1) {
        return UsageError("check takes one package folder");
    }
    const PackagePlan plan = PlanAndWarn(fs::u8path(parsed.positional[0]));
    std::string out = "RESOURCE_SCRIPT TEXT " + plan.script.u8string() + "\n" +
                      "RESOURCE_BACKGROUND BMP " + plan.background.u8string() + "\n";
    for (const auto& payload : plan.payloads) {
        out += "RESOURCE_FILE" + std::to_string(payload.number) + " BIN " +
               payload.source.u8string() + " (\"" + Cp932ToUtf8(payload.entry) + "\")\n";
    }
    Print(stdout, out);
    return kDone;
}

int Build(const std::vector<std::string>& args) {
    Parsed parsed;
    const std::string error = Parse(args,
                                    {"--arch", "--out", "--stub", "--icon", "--product-version",
                                     "--file-description", "--product-name"},
                                    parsed);
    if (!error.empty()) {
        return UsageError(error);
    }
    if (parsed.positional.size() != 1) {
        return UsageError("build takes one package folder");
    }
    BuildOptions options;
    options.package = fs::u8path(parsed.positional[0]);
    const auto option = [&](const char* name) -> std::optional<std::string> {
        const auto found = parsed.options.find(name);
        return found == parsed.options.end() ? std::nullopt : std::optional(found->second);
    };
    if (!option("--out") || option("--out")->empty()) {
        return UsageError("build needs --out FILE.exe");
    }
    options.out = fs::u8path(*option("--out"));
    options.arch = option("--arch").value_or("i686");
    if (options.arch != "i686" && options.arch != "x86_64") {
        return UsageError("--arch must be i686 or x86_64, not " + options.arch);
    }
    if (option("--stub")) {
        options.stub = fs::u8path(*option("--stub"));
    }
    if (option("--icon")) {
        options.icon = fs::u8path(*option("--icon"));
    }
    options.productVersion = option("--product-version");
    options.fileDescription = option("--file-description");
    options.productName = option("--product-name");
    for (const auto* text :
         {&options.productVersion, &options.fileDescription, &options.productName}) {
        std::u32string decoded;
        if (*text && !DecodeUtf8(**text, decoded)) {
            return UsageError("a version text is not valid UTF-8");
        }
    }

    const PackagePlan plan = PlanAndWarn(options.package);
    BuildInstaller(options, plan);
    Print(stdout, options.out.u8string() + ": " + std::to_string(fs::file_size(options.out)) +
                      " bytes, " + std::to_string(plan.payloads.size()) + " payload file" +
                      (plan.payloads.size() == 1 ? "" : "s") + "\n");
    return kDone;
}

} // namespace

int RunPatchpack(const std::vector<std::string>& args) {
    InstallLeadByteSet(LeadByteSet::ShiftJis());
    if (args.empty()) {
        return UsageError("no command given");
    }
    const std::string& command = args[0];
    if (command == "--help" || command == "-h" || command == "help") {
        Print(stdout, kHelp);
        return kDone;
    }
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    try {
        if (command == "build") {
            return Build(rest);
        }
        if (command == "check") {
            return Check(rest);
        }
        return UsageError("unknown command " + command);
    } catch (const std::exception& e) {
        Print(stderr, std::string("patchpack: ") + e.what() + "\n");
    }
    return kFailed;
}

} // namespace brisel::tools
