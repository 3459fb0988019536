#include "support/command_capture.h"

#include <gtest/gtest.h>

namespace testsupport {

CommandRun runCommand(CommandMain command, const std::string& name, std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), name);
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    CommandRun run;
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    run.exitCode = command(static_cast<int>(arguments.size()), argv.data());
    run.out = testing::internal::GetCapturedStdout();
    run.err = testing::internal::GetCapturedStderr();
    return run;
}

}  // namespace testsupport
