#pragma once
#include <string>
#include <vector>

namespace dravonix::demo {

// Runs a program found on PATH with these arguments (no shell) and waits;
// throws std::runtime_error unless it exits with status 0.
void runProgram(const std::vector<std::string>& argv);

} // namespace dravonix::demo
