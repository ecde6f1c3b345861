#include "tools/lumetra-sor/SorTool.h"

#include <iostream>

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    return RunSorTool(argc, argv, std::cout, std::cerr);
}
