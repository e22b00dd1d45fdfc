// lettrino-cli: the program's conversions on files and standard input, UTF-8 in and out.
#pragma once

enum { kExitOk = 0, kExitFailure = 1, kExitUsage = 2 };

int RunCli(int argc, char** argv);
