// Starting other programs and ending this one.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace platform::process {

// Opens a program, document or web address the way the shell does, detached,
// without waiting: target is the program or address, arguments what follows
// it. False when it could not be started.
bool Launch(const std::string& target, const std::string& arguments);

// This process's id, and when a process started (an opaque count that two
// processes reusing one id do not share); nothing when it is not running.
std::uint32_t CurrentProcessId();
std::optional<std::uint64_t> ProcessStartTime(std::uint32_t process_id);

// Ends the process at once with the given exit code.
[[noreturn]] void EndProcess(unsigned code);

}  // namespace platform::process
