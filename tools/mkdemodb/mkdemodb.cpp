// mkdemodb OUTPUT: writes the demo equipment database (dbEquip.mdb) to OUTPUT.
#include "demodb.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT\n", argv[0]);
        return 2;
    }
    const std::string error = tav::demodb::writeDemoDatabase(argv[1]);
    if (!error.empty()) {
        std::fprintf(stderr, "mkdemodb: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
