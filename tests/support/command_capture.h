// Runs a subcommand of the program in-process, as `plastora NAME ARGS...`
// would, and captures what it prints.
#pragma once

#include <string>
#include <vector>

namespace testsupport {

struct CommandRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// The command's entry point: argc and argv with argv[0] the command's name.
using CommandMain = int (*)(int argc, char** argv);

// Calls `command` with `name` followed by `arguments`; returns its exit code
// and what it wrote to stdout and stderr.
CommandRun runCommand(CommandMain command, const std::string& name, std::vector<std::string> arguments);

}  // namespace testsupport
