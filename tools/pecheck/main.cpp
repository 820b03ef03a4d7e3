// pecheck: prints what the build needs to verify about a Windows executable.
//
//   pecheck FILE                     line-oriented report on stdout
//   pecheck --extract TYPE NAME FILE raw bytes of one resource on stdout
//
// Exit status: 0 success, 1 resource not found, 2 usage error or malformed input.
#include "PeImage.h"

#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr int kExitOk = 0;
constexpr int kExitNotFound = 1;
constexpr int kExitError = 2;

int usage() {
    std::cerr << "usage: pecheck FILE\n"
                 "       pecheck --extract TYPE NAME FILE\n"
                 "TYPE and NAME are decimal IDs or names as stored (case-sensitive).\n";
    return kExitError;
}

std::vector<uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw pecheck::PeError("cannot open file");
    }
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
    if (in.bad()) {
        throw pecheck::PeError("read error");
    }
    return bytes;
}

int report(const std::string& path) {
    pecheck::PeImage image(readFile(path));
    pecheck::writeReport(std::cout, image);
    std::cout.flush();
    return std::cout ? kExitOk : kExitError;
}

int extract(const std::string& type, const std::string& name, const std::string& path) {
    pecheck::PeImage image(readFile(path));
    const pecheck::ResourceEntry* entry = image.findResource(type, name);
    if (entry == nullptr) {
        std::cerr << "pecheck: " << path << ": no resource " << type << " " << name << "\n";
        return kExitNotFound;
    }
    size_t written = std::fwrite(entry->data.data(), 1, entry->data.size(), stdout);
    if (written != entry->data.size() || std::fflush(stdout) != 0) {
        std::cerr << "pecheck: write error\n";
        return kExitError;
    }
    return kExitOk;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string path;
    try {
        if (args.size() == 1 && args[0].rfind("--", 0) != 0) {
            path = args[0];
            return report(path);
        }
        if (args.size() == 4 && args[0] == "--extract") {
            path = args[3];
            return extract(args[1], args[2], path);
        }
    } catch (const std::exception& error) {
        std::cerr << "pecheck: " << path << ": " << error.what() << "\n";
        return kExitError;
    }
    return usage();
}
