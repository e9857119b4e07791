// tav-convert: the batch command over the same core as the desktop application.

#include <cstdio>
#include <iostream>

#include "cli/BatchConvert.h"
#include "cli/Terminal.h"
#include "safe/Platform.h"

int main(int argc, char** argv) {
    tav::platform::useUtf8Console();
    tav::platform::returnLargeBuffersToSystem();
    tav::cli::Environment env{tav::platform::executableFolder(), std::nullopt, std::cin, std::cout,
                              std::cerr};
    env.interactive = tav::cli::isTerminal(stdin);
    env.progressBar = tav::cli::isTerminal(stderr);
    return tav::cli::runBatch(tav::platform::commandLineArguments(argc, argv), env);
}
