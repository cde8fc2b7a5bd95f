// In-memory stand-ins for the window, file, process and transfer parts of platform/.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "cookies/folder_guard.h"
#include "platform/connections.h"
#include "platform/transfer.h"
#include "platform/ui.h"

namespace fake {

struct FakeWindow {
  platform::ui::TwipSize outer;
  std::int64_t top = 0;
  std::int64_t left = 0;
  std::map<int, bool> ticks;
};

struct FakeUi {
  platform::ui::TwipSize screen{15360, 11520};  // 1024 x 768 at 15 twips per pixel
  int dpi = 96;
  std::map<platform::ui::WindowId, FakeWindow> windows;
  // "SetTop(1,4110)", "SetWindowPos(1,-1,0,0,168,220,0)", "ShowMessage(text|style|caption)" ...
  std::vector<std::string> calls;
  std::uint64_t now_ms = 0;  // what Milliseconds() answers
  static FakeUi& Get();
  static void Reset();
};

struct FakeSystem {
  std::string application_folder = R"(C:\Program Files\Maskfold)";
  std::string system_folder = R"(C:\Windows\system32)";
  // Bytes that mean nothing in the system's (Latin-1) code page.
  std::set<unsigned char> undefined_in_code_page;
  // Existing files and folders with their attributes.
  std::map<std::string, std::uint32_t> attributes;
  std::map<std::string, std::string> environment;  // for %NAME% expansion
  std::map<std::string, std::string> files;        // path -> content, for ReadWholeFile
  std::set<std::string> unwritable;                // WriteWholeFile and MakeDirectory fail on these
  std::set<std::string> unreadable;                // ReadWholeFile fails on these
  // Answers of the transfer control by URL; others fail. URLs asked, in order.
  std::map<std::string, platform::transfer::Response> responses;
  std::vector<std::string> requests;
  // Launches made: "target|arguments"; the next ones fail while false.
  std::vector<std::string> launches;
  bool launch_works = true;
  // Shell file operations run: "Delete(from|flags)", "Copy(from|to|flags)".
  // A delete with kAllowUndo removes the named files; the recycle bin counts
  // them only while it takes them (it may be off or full). With
  // kWantNukeWarning what it does not take is kept, as a user who answers
  // the shell's question No keeps it.
  std::vector<std::string> file_operations;
  bool recycle_bin_takes = true;
  std::uint64_t recycle_bin_items = 0;
  std::vector<std::string> calls;  // "NotifySettingsChanged", "RemoveFolder(...)"
  // WinINet's per-connection options by connection ("" the LAN), and the
  // dial-up entries. A set fails with set_error when it is not 0; with
  // set_ignored it succeeds and changes nothing, as under a machine policy.
  std::map<std::string, platform::connections::Options> connections{{"", {1, "", "", ""}}};
  std::vector<std::string> dial_up_entries;
  std::uint32_t set_error = 0;
  bool set_ignored = false;
  // WinHTTP's reading of the LAN's options for the browsers fails with this
  // when it is not 0.
  std::uint32_t browsers_config_error = 0;
  // Running processes: id -> start time; and this process's id.
  std::map<std::uint32_t, std::uint64_t> processes{{42, 4200}};
  std::map<std::uint32_t, std::string> images{{42, "maskfold.exe"}, {43, "maskfold.exe"}};
  std::uint32_t process_id = 42;
  std::vector<std::string> running_programs;  // executable names
  std::string roaming_app_data = R"(C:\Users\user\AppData\Roaming)";
  std::string local_app_data = R"(C:\Users\user\AppData\Local)";
  static FakeSystem& Get();
  static void Reset();
};

// The folder as the guard accepts it, made a folder of the fake file system
// first when the test has not; a test whose folder the guard refuses stops
// there.
cookies::GuardedFolder Guarded(const std::string& path);

}  // namespace fake
