// The patchpack command line, with arguments in UTF-8:
//
//   patchpack build DIR [--out FILE.exe] [--arch i686|x86_64] [--stub FILE.exe]
//                   [--icon FILE.ico] [--product-version TEXT]
//                   [--file-description TEXT] [--product-name TEXT]
//                   [--store] [--from OLD_DIR]... [--keep-whole]
//                   [--strict] [--force]
//   patchpack check DIR [--strict]
//   patchpack DIR         build DIR (into DIR.exe), as when DIR is dropped
//                         onto patchpack.exe in Explorer
//   patchpack --help
//
// Every command checks the package first and prints its findings to stderr;
// build writes nothing when the check finds errors, unless --force. build
// compresses what shrinks unless --store (--compress is still accepted).
#pragma once

#include <string>
#include <vector>

namespace brisel::tools {

// Runs one command and returns the exit status: 0 done, 1 the package has
// errors (or would make too large an installer), 2 the command line is
// wrong (one line on stderr) or there was trouble with a file. In a console
// window of its own (started from Explorer) it waits for a key before it
// returns, so that the window stays open to be read.
int RunPatchpack(const std::vector<std::string>& args);

} // namespace brisel::tools
