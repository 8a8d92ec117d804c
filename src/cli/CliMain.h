#pragma once

// rankhold-cli: the commands of the main window without the window.
int runCli(int argc, char **argv);
