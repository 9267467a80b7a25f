// zarnres: build, inspect and program Zarn resource files from the command line.
#include "cli/Commands.h"
#include "platform/FileIo.h"

int main(int argc, char** argv)
{
    zarn::useUtf8Console();
    return zarn::cli::runCommandLine(argc, argv);
}
