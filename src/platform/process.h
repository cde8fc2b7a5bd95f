// Starting other programs and ending this one.
#pragma once

#include <string>

namespace platform::process {

// Opens a program, document or web address the way the shell does, detached,
// without waiting: target is the program or address, arguments what follows
// it. False when it could not be started.
bool Launch(const std::string& target, const std::string& arguments);

// Ends the process at once with the given exit code.
[[noreturn]] void EndProcess(unsigned code);

}  // namespace platform::process
