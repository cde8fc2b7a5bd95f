// Drives a real maskfold.exe from another process, the way a user and the
// browser would see it: its windows, its controls and the registry.
#pragma once

#include <windows.h>

#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace driver {

// The build folder as a Windows path (MASKFOLD_BIN, a Unix path, on Z:).
std::string BuildFolder();

// The recycle bin's files (the XDG trash wine-run.sh keeps inside the run),
// and emptying it.
std::string TrashFolder();
void EmptyTrash();

// "http://127.0.0.1:PORT" + path on the test's loopback server.
std::string ServerUrl(const std::string& path);

// "127.0.0.1:PORT" of the test's loopback server, as a proxy: it answers the
// route check as the internet would.
std::string LoopbackProxy();

// Copies maskfold.exe (and hand.cur unless told not to) into a fresh folder
// of the prefix whose name has a space, and returns that folder.
std::string InstallProgram(const std::string& name, bool with_hand_cursor = true);

// Registry access without the program's own routines.
void SetText(HKEY root, const char* key, const char* name, const std::string& text);
void SetDword(HKEY root, const char* key, const char* name, DWORD value);
struct Value {
  DWORD type = 0;
  std::string data;  // raw bytes
};
std::optional<Value> Read(HKEY root, const char* key, const char* name);
// A REG_DWORD value; nothing when it is missing or of another type.
std::optional<DWORD> ReadDword(HKEY root, const char* key, const char* name);
bool KeyExists(HKEY root, const char* key);

inline constexpr const char* kInternetSettings =
    R"(Software\Microsoft\Windows\CurrentVersion\Internet Settings)";
inline constexpr const char* kIeMain = R"(Software\Microsoft\Internet Explorer\Main)";
inline constexpr const char* kTypedUrls = R"(Software\Microsoft\Internet Explorer\TypedURLs)";
inline constexpr const char* kCookiesKey =
    R"(Software\Microsoft\Windows\CurrentVersion\Internet Settings\Cache\Special Paths\Cookies)";

// The threads of a process now, as the system's snapshot counts them.
int ThreadCount(DWORD process);
// The private memory of a process now, in bytes.
SIZE_T PrivateBytes(HANDLE process);

// The top-level windows of a process with the given class.
std::vector<HWND> TopLevelWindows(DWORD process, const char* window_class,
                                  bool visible_only = true);

// The browser's own cookies folder, with a Jar, made the program's through
// the registry; returns its path.
std::string UseCookiesFolder();

std::string WindowText(HWND window);

// True once `done` holds, false after the time-out: for what the program
// does after a message posted to it.
bool WaitUntil(const std::function<bool()>& done, DWORD timeout_ms = 10000);

// True once the window is gone (a window that closes from its own button's
// click goes once the click is handled), false after the time-out.
bool WaitUntilGone(HWND window, DWORD timeout_ms = 10000);

// Files of the prefix, whole.
std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
bool PathExists(const std::string& path);
// The names of everything in a folder, files and folders, sorted.
std::vector<std::string> FolderEntries(const std::string& folder);

// The entries of another process's list or combo box (count and text
// messages as the control has them: LB_GETCOUNT/LB_GETTEXT or the CB_ ones).
std::vector<std::string> ListTexts(HWND control, UINT count_message, UINT text_message);
HWND FindChild(HWND parent, const char* window_class, const char* text = nullptr);
// The rows of another process's list view, each its cells from the first
// column on; and the row selected, -1 for none.
std::vector<std::vector<std::string>> ListViewRows(HWND list, int columns);
int ListViewSelection(HWND list);

// Answers every dialog box a process shows, as a user who goes on would:
// Yes, OK, Keep It or Continue, the first there is; or with the buttons a
// test names, one dialog each, in turn. Records each as
// "caption|text|text...", then "|(visible: CLASS ...)" naming the other
// windows of the process that were visible at the time, if any.
class DialogWatcher {
 public:
  explicit DialogWatcher(DWORD process);
  ~DialogWatcher();
  DialogWatcher(const DialogWatcher&) = delete;
  DialogWatcher& operator=(const DialogWatcher&) = delete;
  std::vector<std::string> Seen() const;
  // Runs on the watcher's thread before each new dialog is answered; what it
  // returns ends the dialog's record, after "|".
  void SetProbe(std::function<std::string()> probe);
  // The next dialogs' answers by their buttons' text ("Go Back"), in order.
  void Answer(std::vector<std::string> buttons);

 private:
  void Watch();
  DWORD process_;
  std::atomic<bool> stop_{false};
  mutable std::mutex mutex_;
  std::vector<std::string> seen_;
  std::set<HWND> answered_;
  std::function<std::string()> probe_;
  std::deque<std::string> answers_;
  std::thread thread_;
};

// One running maskfold.exe; ended on destruction if it is still running.
// Its dialog boxes are answered by a watcher.
class Program {
 public:
  // Started with the banner from the test's loopback server, or from the
  // given URL; `arguments` follow on the command line.
  explicit Program(const std::string& folder, const std::string& banner_url = "",
                   const std::string& arguments = "");
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  // The main window once it is visible, or null after the time-out.
  HWND WaitForMainWindow(DWORD timeout_ms = 20000);
  // True when the process ended within the time; its exit code then.
  bool WaitForExit(DWORD timeout_ms, DWORD* exit_code = nullptr);

  HWND ProxyBox() const;
  HWND Button(const char* caption) const;
  // Clicks a button the way a user's click arrives: posted, not waited on.
  void Click(const char* caption) const;
  // Sends a button click and returns when its handler has finished.
  void ClickAndWait(const char* caption) const;
  // Types a proxy into the proxy box, as the user would.
  void SetProxyText(const std::string& proxy) const;
  // Clicks Apply (with the proxy typed first, when given) and returns once
  // Apply has ended.
  void ApplyAndWait(const std::string& proxy = "") const;
  // Chooses a menu item by its command identifier and waits for the handler.
  void ChooseMenuItem(int id) const;
  // The tooltip text of a child control, read from inside the program.
  std::string Tooltip(HWND tool) const;
  HWND FocusedWindow() const;
  // Presses a key in the control that has the focus, as the keyboard would.
  void PressKey(UINT key) const;
  // True once the window is the program's active one, where its keys go
  // (activation comes a little after the window shows).
  bool WaitUntilActive(HWND window, DWORD timeout_ms = 5000) const;

  HANDLE Process() const { return info_.hProcess; }
  // The dialog boxes shown so far, the program's own and the platform's.
  std::vector<std::string> Dialogs() const { return watcher_->Seen(); }
  void SetDialogProbe(std::function<std::string()> probe) { watcher_->SetProbe(std::move(probe)); }
  void AnswerDialogs(std::vector<std::string> buttons) { watcher_->Answer(std::move(buttons)); }

 private:
  PROCESS_INFORMATION info_{};
  HWND main_ = nullptr;
  std::unique_ptr<DialogWatcher> watcher_;
};

// Runs a program to its end with its standard output captured.
struct RunResult {
  DWORD exit_code = 0;
  std::string output;
};
RunResult Run(const std::string& command_line, DWORD timeout_ms = 30000);

}  // namespace driver
