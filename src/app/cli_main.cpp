#include "app/CliRun.h"

#include <cstdio>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

int main(int argc, char** argv)
{
#ifdef _WIN32
    // The table's rows end in CR LF already; text mode would double the CR.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    return tillery::cli::runCli(argc, argv, stdout, stderr);
}
