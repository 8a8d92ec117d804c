#include "cli/CliMain.h"
#include "platform/System.h"

int main(int argc, char **argv)
{
    platform::returnLargeBlocksWhenFreed();
    return runCli(argc, argv);
}
