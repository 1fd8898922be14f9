// ruz-man-page TEMPLATE OUTPUT VERSION: writes the manual page ruz(1) from its template and the
// tables that `ruz --help` is made of. Run by the build.
#include "desktop/usage.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fputs("usage: ruz-man-page TEMPLATE OUTPUT VERSION\n", stderr);
        return EXIT_FAILURE;
    }
    std::ifstream in(argv[1], std::ios::binary);
    const std::string pageTemplate((std::istreambuf_iterator<char>(in)),
                                   std::istreambuf_iterator<char>());
    if (!in && !in.eof()) {
        std::fprintf(stderr, "ruz-man-page: cannot read %s\n", argv[1]);
        return EXIT_FAILURE;
    }
    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    out << ruz::desktop::manPage(pageTemplate, argv[3]);
    out.close();
    if (!out) {
        std::fprintf(stderr, "ruz-man-page: cannot write %s\n", argv[2]);
        return EXIT_FAILURE;
    }
    return EXIT_SUCCESS;
}
