#pragma once
// The lumetra-sor command line: info, export, convert and synth over trace files. Every file
// is worked on by itself; one that fails gives one line "path: message" on the error stream,
// in the program's own words, and the others are still done.

#include <iosfwd>
#include <string>
#include <vector>

inline constexpr int kExitDone = 0;
inline constexpr int kExitFileFailed = 1;
inline constexpr int kExitUsage = 2;

// argv[0] is the program's name. Installs command-line prompts while it runs (messages the
// signals show are reported on err; questions are answered No). Returns an exit status:
// 0 every file done, 1 some file failed, 2 a usage error (nothing was done).
int RunSorTool(int argc, const char* const* argv, std::ostream& out, std::ostream& err);
int RunSorTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
