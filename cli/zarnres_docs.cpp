// zarnres-docs: writes zarnres's man page and bash completion from its command
// table, at build time.
//   zarnres-docs MAN_PAGE MAN_SECTIONS COMPLETION
#include "cli/CommandDocs.h"
#include "cli/Commands.h"
#include "common/Version.h"

#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>

namespace {

bool writeFile(const char* path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary);
    out << text;
    return static_cast<bool>(out.flush());
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::cerr << "Usage: zarnres-docs MAN_PAGE MAN_SECTIONS COMPLETION\n";
        return 2;
    }
    std::ifstream in(argv[2], std::ios::binary);
    std::stringstream sections;
    sections << in.rdbuf();
    if (!in) {
        std::cerr << "zarnres-docs: cannot read " << argv[2] << "\n";
        return 1;
    }
    const auto app = zarn::cli::makeCommandLine();
    if (!writeFile(argv[1], zarn::cli::manPage(*app, zarn::kVersionNumber, sections.str()))
        || !writeFile(argv[3], zarn::cli::bashCompletion(*app))) {
        std::cerr << "zarnres-docs: cannot write the man page or the completion\n";
        return 1;
    }
    return 0;
}
