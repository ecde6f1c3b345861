#pragma once
// Runs the command-line tool in process, the way a shell would start it.

#include "tools/lumetra-sor/SorTool.h"

#include <sstream>
#include <string>
#include <utility>
#include <vector>

struct CSorResult {
    int status;
    std::string out;
    std::string err;
};

inline CSorResult Sor(std::vector<std::string> args) {
    args.insert(args.begin(), "lumetra-sor");
    std::ostringstream out, err;
    const int status = RunSorTool(args, out, err);
    return {status, out.str(), err.str()};
}

inline int Sor(std::vector<std::string> args, std::string& out, std::string& err) {
    CSorResult result = Sor(std::move(args));
    out = std::move(result.out);
    err = std::move(result.err);
    return result.status;
}
