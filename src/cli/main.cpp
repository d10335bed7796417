// rq50-cli: the headless front end.
#include "cli/Cli.h"

int main(int argc, char** argv) {
    return rq50::cli::ExitStatus(rq50::cli::RunCommandLine(argc, argv));
}
