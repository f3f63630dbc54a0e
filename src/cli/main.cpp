// xbt COMMAND [OPTIONS] PATH...: XBT messages as data (see xbt --help).
#include <cstdio>

#include "cli/xbt_command.h"

int main(int argc, char** argv) { return xbtconv::runXbt(argc, argv, stdout, stderr); }
