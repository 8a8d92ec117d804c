#include "cli/CliMain.h"

int main(int argc, char **argv)
{
    return runCli(argc, argv);
}
