#include "Command.h"

#include "BuildSummary.h"
#include "CheckGate.h"
#include "InstallerBuild.h"
#include "check/Messages.h"
#include "common/ConsoleText.h"
#include "common/Unicode.h"
#include "core/Mbcs.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <set>

namespace brisel::tools {

namespace fs = std::filesystem;

namespace {

constexpr int kDone = 0;
constexpr int kPackageErrors = 1;
constexpr int kTrouble = 2;

const char kHelpEnglish[] =
    "patchpack: makes patch installers from package folders.\n"
    "\n"
    "usage: patchpack build PACKAGE_DIR [--out FILE.exe] [options]\n"
    "       patchpack check PACKAGE_DIR [--strict]\n"
    "       patchpack PACKAGE_DIR\n"
    "       patchpack --help\n"
    "\n"
    "build checks the package and writes FILE.exe (PACKAGE_DIR.exe beside the\n"
    "folder without --out): the installer stub with the package's script,\n"
    "background picture and payload files, compressed. check only checks and\n"
    "lists what an installer would carry. A package folder alone (or dropped\n"
    "onto patchpack.exe) is built into PACKAGE_DIR.exe beside it.\n"
    "\n"
    "options of build:\n"
    "  --arch i686|x86_64        the installer's architecture (default i686)\n"
    "  --stub FILE.exe           the stub to start from (default: stubs/stub-ARCH.exe\n"
    "                            beside patchpack)\n"
    "  --icon FILE.ico           the program icon, with all its sizes\n"
    "  --product-version TEXT    version record texts shown in the file's properties\n"
    "  --file-description TEXT\n"
    "  --product-name TEXT\n"
    "  --store                   store the picture and every payload raw, not in\n"
    "                            one LZMA stream (a larger download; by default\n"
    "                            whatever shrinks is compressed)\n"
    "  --from OLD_DIR            a folder with the previous version of the game's\n"
    "                            files (laid out like files/; may be repeated):\n"
    "                            payloads found there are carried as binary deltas\n"
    "                            when smaller; the package's previous/ and\n"
    "                            previous-VERSION/ folders count alike\n"
    "  --keep-whole              carry delta payloads whole as well, for players\n"
    "                            who have neither version\n"
    "  --strict                  warnings count as errors (also for check)\n"
    "  --force                   build despite errors in the package\n"
    "\n"
    "exit status: 0 done, 1 the package has errors, 2 wrong usage or trouble\n";

const char kHelpJapanese[] =
    u8"patchpack: パッケージフォルダーからパッチのインストーラーを作ります。\n"
    u8"\n"
    u8"使い方: patchpack build パッケージフォルダー [--out ファイル.exe] [オプション]\n"
    u8"        patchpack check パッケージフォルダー [--strict]\n"
    u8"        patchpack パッケージフォルダー\n"
    u8"        patchpack --help\n"
    u8"\n"
    u8"build はパッケージを確認してからインストーラーを書き出します（スタブに、\n"
    u8"スクリプト・背景画像・書き込むファイルを圧縮して加えたもの。--out がなければ\n"
    u8"フォルダーの横に「フォルダー名.exe」）。check は確認だけを行い、\n"
    u8"インストーラーに入るものを一覧にします。パッケージフォルダーだけを指定する\n"
    u8"（patchpack.exe にドロップする）と、その横に「フォルダー名.exe」を作ります。\n"
    u8"\n"
    u8"build のオプション:\n"
    u8"  --arch i686|x86_64        インストーラーの種類（既定は i686）\n"
    u8"  --stub ファイル.exe       もとにするスタブ（既定は patchpack と同じ場所の\n"
    u8"                            stubs/stub-種類.exe）\n"
    u8"  --icon ファイル.ico       プログラムのアイコン（含まれるすべての大きさ）\n"
    u8"  --product-version 文字列  ファイルのプロパティに出るバージョン情報\n"
    u8"  --file-description 文字列\n"
    u8"  --product-name 文字列\n"
    u8"  --store                   背景画像とファイルを圧縮せずにそのまま入れる（既定では\n"
    u8"                            縮むものを一つの LZMA ストリームに圧縮します）\n"
    u8"  --from 旧フォルダー       修正前のゲームのファイルを置いたフォルダー（files/ と\n"
    u8"                            同じ並び、複数指定可）。そこにあるファイルは、小さく\n"
    u8"                            なるなら差分として入れる。パッケージの中の\n"
    u8"                            previous/、previous-バージョン/ も同じ\n"
    u8"  --keep-whole              差分にしたファイルを丸ごとでも入れる（どちらの\n"
    u8"                            バージョンでもないファイルも修正できます）\n"
    u8"  --strict                  警告もエラーとして扱う（check でも使えます）\n"
    u8"  --force                   パッケージにエラーがあっても作る\n"
    u8"\n"
    u8"終了コード: 0 成功、1 パッケージにエラー、2 使い方の誤りまたはファイルの問題\n";

const std::set<std::string> kBuildOptions = {
    "--arch",         "--out", "--stub", "--icon", "--product-version", "--file-description",
    "--product-name", "--from"};

class Texts {
public:
    explicit Texts(Language language) : japanese_(language == Language::Japanese) {}
    std::string Pick(const char* english, const char* japanese) const {
        return japanese_ ? japanese : english;
    }

private:
    bool japanese_;
};

std::string Thousands(std::uint64_t value) {
    std::string digits = std::to_string(value);
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3) {
        digits.insert(static_cast<std::size_t>(at), ",");
    }
    return digits;
}

int UsageError(const std::string& problem, Language language) {
    WriteErr("patchpack: " + problem +
             Texts(language).Pick(" (see patchpack --help)\n", u8"（patchpack --help を参照）\n"));
    return kTrouble;
}

int Trouble(const std::string& what, Language language) {
    WriteErr(Texts(language).Pick("patchpack: error: ", u8"patchpack: エラー: ") + what + "\n");
    return kTrouble;
}

struct Parsed {
    std::vector<std::string> positional;
    std::map<std::string, std::string> options;               // the last value of each
    std::map<std::string, std::vector<std::string>> repeated; // every value of each
    std::set<std::string> flags;

    std::optional<std::string> Option(const std::string& name) const {
        const auto found = options.find(name);
        return found == options.end() ? std::nullopt : std::optional(found->second);
    }
};

// Splits arguments into positional ones, the known flags and the known
// options with a value ("--name value" or "--name=value"). Returns an error
// text, or "" when the arguments are well formed.
std::string Parse(const std::vector<std::string>& args, const std::set<std::string>& options,
                  const std::set<std::string>& flags, Language language, Parsed& parsed) {
    const Texts texts(language);
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.rfind("--", 0) != 0 || arg == "--") {
            parsed.positional.push_back(arg);
            continue;
        }
        const std::size_t equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        if (flags.count(name) > 0 && equals == std::string::npos) {
            parsed.flags.insert(name);
        } else if (options.count(name) == 0) {
            return Fill(texts.Pick("unknown option {1}", u8"{1} というオプションはありません"),
                        {name});
        } else if (equals != std::string::npos || i + 1 < args.size()) {
            parsed.options[name] = equals != std::string::npos ? arg.substr(equals + 1) : args[++i];
            parsed.repeated[name].push_back(parsed.options[name]);
        } else {
            return Fill(texts.Pick("{1} needs a value", u8"{1} の後に値がありません"), {name});
        }
    }
    if (parsed.positional.size() != 1) {
        return texts.Pick("give one package folder",
                          u8"パッケージフォルダーを一つ指定してください");
    }
    return "";
}

GateOptions Gate(const Parsed& parsed, std::vector<OutputTarget> outputs) {
    GateOptions gate;
    gate.strict = parsed.flags.count("--strict") > 0;
    gate.force = parsed.flags.count("--force") > 0;
    gate.outputs = std::move(outputs);
    return gate;
}

int Check(const std::vector<std::string>& args, Language language) {
    Parsed parsed;
    const std::string error = Parse(args, {}, {"--strict"}, language, parsed);
    if (!error.empty()) {
        return UsageError(error, language);
    }
    const auto host = MakeHostFiles();
    const PackageFolder folder(*host, fs::u8path(parsed.positional[0]));
    GateOptions gate = Gate(parsed, {});
    gate.writes = false;
    if (CheckBeforeWriting(folder, gate, language).errors > 0) {
        return kPackageErrors;
    }
    WriteOut(SummaryText(PlanPackage(folder), std::nullopt, language));
    return kDone;
}

// The installer beside the package folder, named after it; empty for a
// drive or a root.
fs::path InstallerBeside(const fs::path& package) {
    fs::path folder = fs::absolute(package).lexically_normal();
    if (!folder.has_filename()) {
        folder = folder.parent_path(); // without its trailing separator
    }
    if (!folder.has_filename()) {
        return {};
    }
    folder += ".exe";
    return folder;
}

// The options of build, or an error text.
std::string ReadBuildOptions(const Parsed& parsed, Language language, BuildOptions& options) {
    const Texts texts(language);
    options.package = fs::u8path(parsed.positional[0]);
    const auto out = parsed.Option("--out");
    if (out && out->empty()) {
        return texts.Pick("--out needs a file name", u8"--out にファイル名がありません");
    }
    options.out = out ? fs::absolute(fs::u8path(*out)) : InstallerBeside(options.package);
    if (options.out.empty()) {
        return texts.Pick("a drive or a root is no package folder",
                          u8"ドライブやルートはパッケージフォルダーにできません");
    }
    options.arch = parsed.Option("--arch").value_or("i686");
    if (options.arch != "i686" && options.arch != "x86_64") {
        return Fill(texts.Pick("--arch must be i686 or x86_64, not {1}",
                               u8"--arch は i686 か x86_64 です（{1} は使えません）"),
                    {options.arch});
    }
    if (const auto stub = parsed.Option("--stub")) {
        options.stub = fs::u8path(*stub);
    }
    if (const auto icon = parsed.Option("--icon")) {
        options.icon = fs::u8path(*icon);
    }
    const auto from = parsed.repeated.find("--from");
    for (const auto& folder :
         from == parsed.repeated.end() ? std::vector<std::string>{} : from->second) {
        std::error_code ignored;
        if (!fs::is_directory(fs::u8path(folder), ignored)) {
            return Fill(
                texts.Pick("--from {1}: no such folder", u8"--from {1}: フォルダーがありません"),
                {folder});
        }
    }
    options.compress = parsed.flags.count("--store") == 0;
    options.keepWhole = parsed.flags.count("--keep-whole") > 0;
    options.productVersion = parsed.Option("--product-version");
    options.fileDescription = parsed.Option("--file-description");
    options.productName = parsed.Option("--product-name");
    for (const auto* text :
         {&options.productVersion, &options.fileDescription, &options.productName}) {
        std::u32string decoded;
        if (*text && !DecodeUtf8(**text, decoded)) {
            return texts.Pick("a version text is not valid UTF-8",
                              u8"バージョン情報の文字列が UTF-8 として正しくありません");
        }
    }
    return "";
}

int Build(const std::vector<std::string>& args, Language language) {
    Parsed parsed;
    std::string error =
        Parse(args, kBuildOptions, {"--strict", "--force", "--compress", "--store", "--keep-whole"},
              language, parsed);
    BuildOptions options;
    if (error.empty()) {
        error = ReadBuildOptions(parsed, language, options);
    }
    if (!error.empty()) {
        return UsageError(error, language);
    }
    const auto host = MakeHostFiles();
    const PackageFolder folder(*host, options.package);
    // The package's own previous versions first, then those given with --from.
    GateOptions gate = Gate(parsed, {{"--out", options.out}});
    const auto from = parsed.repeated.find("--from");
    for (const auto& given :
         from == parsed.repeated.end() ? std::vector<std::string>{} : from->second) {
        gate.previous.push_back(GivenPreviousFolder(*host, given));
    }
    std::vector<PreviousFolder> previous = PackagePreviousFolders(folder);
    previous.insert(previous.end(), gate.previous.begin(), gate.previous.end());
    if (!options.compress && !previous.empty()) {
        return UsageError(Texts(language).Pick("--store carries no deltas: leave out --store, or "
                                               "the previous versions (--from, previous/)",
                                               u8"--store では差分を入れられません。--store か、"
                                               u8"修正前のバージョン（--from、previous/）を"
                                               u8"外してください"),
                          language);
    }
    if (options.keepWhole && previous.empty()) {
        return UsageError(Texts(language).Pick("--keep-whole needs --from OLD_DIR or a previous/ "
                                               "folder in the package",
                                               u8"--keep-whole には --from 旧フォルダー か、"
                                               u8"パッケージの中の previous/ フォルダーが必要です"),
                          language);
    }
    std::vector<std::string> previousNames;
    for (const auto& version : previous) {
        options.previous.push_back(version.folder);
        previousNames.push_back(version.shown);
    }
    if (!CheckBeforeWriting(folder, gate, language).build) {
        return kPackageErrors;
    }
    const PackagePlan plan = PlanPackage(folder);
    PayloadStorage storage;
    try {
        storage = BuildInstaller(options, plan);
    } catch (const InstallerTooLarge& e) {
        const Texts texts(language);
        WriteErr(Fill(texts.Pick("patchpack: error: the installer would be {1} bytes in memory, "
                                 "over the {2} bytes (1.5 GiB) that a 32-bit installer can load: "
                                 "make the payload smaller or split the patch\n",
                                 u8"patchpack: エラー: インストーラーがメモリー上で {1} バイトに"
                                 u8"なり、32 ビットのインストーラーが読み込める {2} バイト"
                                 u8"（1.5 GiB）を超えます。ファイルを減らすか、パッチを分けて"
                                 u8"ください\n"),
                      {Thousands(e.Size()), Thousands(kLargestInstaller)}));
        return kPackageErrors;
    }
    WriteOut(SummaryText(plan, InstallerFile{options.out, fs::file_size(options.out)}, language,
                         storage, previousNames));
    return kDone;
}

// True when the lone argument names an existing folder: what Explorer
// passes when a folder is dropped onto patchpack.exe.
bool IsLoneFolder(const std::vector<std::string>& args) {
    std::error_code error;
    return args.size() == 1 && fs::is_directory(fs::u8path(args[0]), error);
}

int Run(const std::vector<std::string>& args, Language language) {
    const Texts texts(language);
    if (args.empty()) {
        return UsageError(texts.Pick("no command given", u8"コマンドがありません"), language);
    }
    const std::string& command = args[0];
    if (command == "--help" || command == "-h" || command == "help") {
        WriteOut(texts.Pick(kHelpEnglish, kHelpJapanese));
        return kDone;
    }
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    try {
        if (command == "build") {
            return Build(rest, language);
        }
        if (command == "check") {
            return Check(rest, language);
        }
        if (IsLoneFolder(args)) {
            // Built as build with no option: beside the folder, named after it.
            return Build(args, language);
        }
        return UsageError(
            Fill(texts.Pick("unknown command {1}", u8"{1} というコマンドはありません"), {command}),
            language);
    } catch (const PackageFolderMissing& e) {
        return Trouble(std::string(e.what()) + texts.Pick(": no such package folder",
                                                          u8": パッケージフォルダーがありません"),
                       language);
    } catch (const std::exception& e) {
        return Trouble(e.what(), language);
    }
}

} // namespace

int RunPatchpack(const std::vector<std::string>& args) {
    InstallLeadByteSet(LeadByteSet::ShiftJis());
    const Language language = UserLanguage();
    const int status = Run(args, language);
    // A console window of our own closes when we end: keep what was said
    // readable until the author has read it.
    if (OwnsConsoleWindow()) {
        WriteOut(Texts(language).Pick("Press a key to close this window.\n",
                                      u8"何かキーを押すと、このウィンドウを閉じます。\n"));
        WaitForKey();
    }
    return status;
}

} // namespace brisel::tools
