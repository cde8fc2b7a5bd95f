// Starting other programs, and what the system knows of processes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform::process {

// Opens a program, document or web address the way the shell does, detached,
// without waiting: target is the program or address, arguments what follows
// it. False when it could not be started.
bool Launch(const std::string& target, const std::string& arguments);

// This process's id, and when a process started (an opaque count that two
// processes reusing one id do not share); nothing when it is not running.
std::uint32_t CurrentProcessId();
std::optional<std::uint64_t> ProcessStartTime(std::uint32_t process_id);
// The file name of a running process's program ("maskfold.exe"), nothing
// when it cannot be read.
std::optional<std::string> ProcessImageName(std::uint32_t process_id);

// The executable names of the processes running now ("chrome.exe"), as
// the system lists them; empty when it cannot tell.
std::vector<std::string> RunningProgramNames();

// The local date and time now.
struct LocalTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0;
};
LocalTime LocalTimeNow();

}  // namespace platform::process
