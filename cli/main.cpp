// zarnres: build, inspect and program Zarn resource files from the command line.
#include "cli/Commands.h"

int main(int argc, char** argv) { return zarn::cli::runCommandLine(argc, argv); }
