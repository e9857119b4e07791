#pragma once
// Whether the command talks to a person: prompts are asked and the progress bar drawn
// only on a terminal.

#include <cstdio>

namespace tav::cli {

bool isTerminal(std::FILE* stream);

}  // namespace tav::cli
