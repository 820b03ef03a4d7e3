// Times reading one patch script, from opening the file to having every
// value and section the installer asks for, and, for comparison, reading
// the same file with a plain line split (std::getline into strings).
//
//   script_bench reader|split FILE
//
// Prints "seconds peak_kib": the time of the read and the process's peak
// resident set, as bench/lib.sh expects.
#include "core/Mbcs.h"
#include "package/Ttinycnf.h"
#include "support/TStringList.h"

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

// What the installer's start-up reads; a count that depends on every answer,
// so that none of the work can be left out.
std::size_t ReadLikeTheInstaller(const char* path) {
    std::ifstream file(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(file)),
                            std::istreambuf_iterator<char>());
    brisel::TStringList lines;
    lines.LoadFromBytes(bytes);
    const brisel::TTinyCnf script(lines);
    std::size_t answer = 0;
    for (const char* key :
         {"*PatchType", "*Caption", "*GameTitle", "*Version", "*CheckTargetFilename"}) {
        brisel::String value;
        answer += script.GetValue(key, value) ? value.size() : 0;
    }
    for (const char* key : {"%LinkPath", "%OutFiles"}) {
        brisel::TStringList entries;
        answer += script.GetSection(key, entries) ? entries.Count() : 0;
    }
    return answer;
}

std::size_t SplitLines(const char* path) {
    std::ifstream file(path, std::ios::binary);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(file, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(line);
    }
    return lines.size();
}

} // namespace

int main(int argc, char** argv) {
    const std::string mode = argc == 3 ? argv[1] : "";
    if (mode != "reader" && mode != "split") {
        std::fputs("usage: script_bench reader|split FILE\n", stderr);
        return 2;
    }
    brisel::InstallLeadByteSet(brisel::LeadByteSet::ShiftJis());
    const auto start = std::chrono::steady_clock::now();
    const std::size_t answer =
        mode == "reader" ? ReadLikeTheInstaller(argv[2]) : SplitLines(argv[2]);
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%.6f %ld\n", elapsed.count(), usage.ru_maxrss);
    return answer == 0 ? 1 : 0;
}
