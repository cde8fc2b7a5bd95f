#include "driver.h"
#include "common/identifiers.h"
#include "platform/win32/handles.h"

#include <commctrl.h>
#include <psapi.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace driver {

namespace {
struct TopLevelSearch {
  DWORD process;
  const char* window_class;
  bool visible_only;
  std::vector<HWND> found;
};

BOOL CALLBACK MatchTopLevel(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<TopLevelSearch*>(data);
  DWORD process = 0;
  ::GetWindowThreadProcessId(window, &process);
  char name[64] = {};
  ::GetClassNameA(window, name, sizeof name);
  if (process == search->process && std::string(name) == search->window_class &&
      (!search->visible_only || ::IsWindowVisible(window)))
    search->found.push_back(window);
  return TRUE;
}

HWND FindTopLevel(DWORD process, const char* window_class, bool visible_only = true) {
  const auto found = TopLevelWindows(process, window_class, visible_only);
  return found.empty() ? nullptr : found.front();
}
}  // namespace

std::vector<HWND> TopLevelWindows(DWORD process, const char* window_class, bool visible_only) {
  TopLevelSearch search{process, window_class, visible_only, {}};
  ::EnumWindows(&MatchTopLevel, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::string UseCookiesFolder() {
  char folder[MAX_PATH] = {};
  if (::SHGetFolderPathA(nullptr, CSIDL_COOKIES | CSIDL_FLAG_CREATE, nullptr, 0, folder) != S_OK)
    throw std::runtime_error("no cookies folder");
  ::CreateDirectoryA((std::string(folder) + "\\" + std::string(ids::kJarFolder)).c_str(), nullptr);
  SetText(HKEY_LOCAL_MACHINE, kCookiesKey, "Directory", folder);
  return folder;
}

namespace {
std::string UnixToWindows(const char* unix_path) {
  std::string path = std::string("Z:") + unix_path;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}
}  // namespace

std::string BuildFolder() {
  const char* unix_path = std::getenv("MASKFOLD_BIN");
  if (!unix_path) throw std::runtime_error("MASKFOLD_BIN is not set");
  return UnixToWindows(unix_path);
}

namespace {
// The XDG trash: its files, and a note on each in info.
std::string Trash() {
  const char* data = std::getenv("XDG_DATA_HOME");
  if (!data) throw std::runtime_error("XDG_DATA_HOME is not set");
  return UnixToWindows(data) + R"(\Trash)";
}
}  // namespace

std::string TrashFolder() { return Trash() + R"(\files)"; }

namespace {
// A file, or a folder with all it holds (the bin holds whole folders, whose
// paths run past MAX_PATH: the wide functions, on a long-form path).
void RemoveEntry(const std::wstring& path) {
  if (::DeleteFileW(path.c_str())) return;
  WIN32_FIND_DATAW found{};
  const HANDLE search = ::FindFirstFileW((path + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = found.cFileName;
      if (name != L"." && name != L"..") RemoveEntry(path + L"\\" + name);
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
  }
  ::RemoveDirectoryW(path.c_str());
}
}  // namespace

void EmptyTrash() {
  for (const char* part : {R"(\files)", R"(\info)"}) {
    const std::string folder = Trash() + part;
    for (const std::string& name : FolderEntries(folder))
      if (name != "." && name != "..") {
        const std::string path = R"(\\?\)" + folder + "\\" + name;
        RemoveEntry(std::wstring(path.begin(), path.end()));  // ASCII here
      }
  }
}

std::string ServerUrl(const std::string& path) {
  const char* port = std::getenv("MASKFOLD_SERVER_PORT");
  if (!port) throw std::runtime_error("MASKFOLD_SERVER_PORT is not set");
  return std::string("http://127.0.0.1:") + port + path;
}

std::string LoopbackProxy() {
  const std::string url = ServerUrl("");
  return url.substr(url.find("//") + 2);
}

std::string InstallProgram(const std::string& name, bool with_hand_cursor) {
  const std::string folder = R"(C:\Program Files\)" + name;
  ::CreateDirectoryA(folder.c_str(), nullptr);
  const std::string build = BuildFolder();
  if (!::CopyFileA((build + R"(\maskfold.exe)").c_str(), (folder + R"(\maskfold.exe)").c_str(),
                   FALSE))
    throw std::runtime_error("cannot copy maskfold.exe from " + build);
  if (with_hand_cursor)
    ::CopyFileA((build + R"(\hand.cur)").c_str(), (folder + R"(\hand.cur)").c_str(), FALSE);
  return folder;
}

void SetText(HKEY root, const char* key, const char* name, const std::string& text) {
  ::RegSetKeyValueA(root, key, name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

void SetDword(HKEY root, const char* key, const char* name, DWORD value) {
  ::RegSetKeyValueA(root, key, name, REG_DWORD, &value, sizeof value);
}

std::optional<Value> Read(HKEY root, const char* key, const char* name) {
  Value value;
  DWORD size = 0;
  if (::RegGetValueA(root, key, name, RRF_RT_ANY | RRF_NOEXPAND, &value.type, nullptr, &size) !=
      ERROR_SUCCESS)
    return std::nullopt;
  value.data.resize(size);
  if (::RegGetValueA(root, key, name, RRF_RT_ANY | RRF_NOEXPAND, &value.type, value.data.data(),
                     &size) != ERROR_SUCCESS)
    return std::nullopt;
  value.data.resize(size);
  return value;
}

std::optional<DWORD> ReadDword(HKEY root, const char* key, const char* name) {
  const auto value = Read(root, key, name);
  if (!value || value->type != REG_DWORD || value->data.size() != 4) return std::nullopt;
  DWORD number;
  std::memcpy(&number, value->data.data(), 4);
  return number;
}

bool KeyExists(HKEY root, const char* key) {
  HKEY handle = nullptr;
  const bool opened = ::RegOpenKeyExA(root, key, 0, KEY_READ, &handle) == ERROR_SUCCESS;
  const platform::win32::UniqueKey closed(handle);
  return opened;
}

int ThreadCount(DWORD process) {
  const HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return -1;
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  int count = 0;
  for (BOOL more = ::Thread32First(snapshot, &entry); more; more = ::Thread32Next(snapshot, &entry))
    if (entry.th32OwnerProcessID == process) ++count;
  ::CloseHandle(snapshot);
  return count;
}

SIZE_T PrivateBytes(HANDLE process) {
  PROCESS_MEMORY_COUNTERS_EX memory{};
  memory.cb = sizeof memory;
  if (!::GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                              sizeof memory))
    return 0;
  // Wine leaves PrivateUsage at 0; its page-file usage is the same figure.
  return std::max(memory.PrivateUsage, memory.PagefileUsage);
}

std::string WindowText(HWND window) {
  char text[4096] = {};
  ::SendMessageA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
  return text;
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::stringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

bool PathExists(const std::string& path) {
  return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::vector<std::string>> ListViewRows(HWND list, int columns) {
  // The list view writes into memory of its own process: the item record and
  // the text buffer go there, and are read back from there.
  DWORD process_id = 0;
  ::GetWindowThreadProcessId(list, &process_id);
  const HANDLE process =
      ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, process_id);
  std::vector<std::vector<std::string>> rows;
  if (!process) return rows;
  constexpr int kTextBytes = 512;
  auto* remote = static_cast<char*>(
      ::VirtualAllocEx(process, nullptr, sizeof(LVITEMA) + kTextBytes, MEM_COMMIT, PAGE_READWRITE));
  const int count = static_cast<int>(::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
  for (int row = 0; row < count && remote; ++row) {
    std::vector<std::string> cells;
    for (int column = 0; column < columns; ++column) {
      LVITEMA item{};
      item.iSubItem = column;
      item.pszText = remote + sizeof(LVITEMA);
      item.cchTextMax = kTextBytes;
      ::WriteProcessMemory(process, remote, &item, sizeof item, nullptr);
      ::SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(remote));
      char text[kTextBytes] = {};
      ::ReadProcessMemory(process, remote + sizeof(LVITEMA), text, sizeof text - 1, nullptr);
      cells.push_back(text);
    }
    rows.push_back(cells);
  }
  if (remote) ::VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  ::CloseHandle(process);
  return rows;
}

int ListViewSelection(HWND list) {
  return static_cast<int>(
      ::SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

std::vector<std::string> FolderEntries(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found{};
  const HANDLE search = ::FindFirstFileA((folder + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do names.push_back(found.cFileName);
  while (::FindNextFileA(search, &found));
  ::FindClose(search);
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> ListTexts(HWND control, UINT count_message, UINT text_message) {
  std::vector<std::string> entries;
  const auto count = ::SendMessageW(control, count_message, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    // Another process's control answers in UTF-16 even to the ANSI call.
    wchar_t text[512] = {};
    ::SendMessageW(control, text_message, i, reinterpret_cast<LPARAM>(text));
    char narrow[512] = {};
    ::WideCharToMultiByte(CP_ACP, 0, text, -1, narrow, sizeof narrow, nullptr, nullptr);
    entries.push_back(narrow);
  }
  return entries;
}

bool WaitUntil(const std::function<bool()>& done, DWORD timeout_ms) {
  for (DWORD waited = 0; !done(); waited += 25) {
    if (waited >= timeout_ms) return false;
    ::Sleep(25);
  }
  return true;
}

bool WaitUntilGone(HWND window, DWORD timeout_ms) {
  return WaitUntil([window] { return !::IsWindow(window); }, timeout_ms);
}

HWND FindChild(HWND parent, const char* window_class, const char* text) {
  return ::FindWindowExA(parent, nullptr, window_class, text);
}

DialogWatcher::DialogWatcher(DWORD process) : process_(process), thread_([this] { Watch(); }) {}

DialogWatcher::~DialogWatcher() {
  stop_ = true;
  thread_.join();
}

std::vector<std::string> DialogWatcher::Seen() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return seen_;
}

namespace {
struct DialogSearch {
  DWORD process;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectDialog(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<DialogSearch*>(data);
  DWORD process = 0;
  ::GetWindowThreadProcessId(window, &process);
  char name[64] = {};
  ::GetClassNameA(window, name, sizeof name);
  if (process == search->process && std::string(name) == "#32770" && ::IsWindowVisible(window))
    search->found.push_back(window);
  return TRUE;
}

BOOL CALLBACK NoteOtherVisibleWindow(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<DialogSearch*>(data);
  DWORD process = 0;
  ::GetWindowThreadProcessId(window, &process);
  char name[64] = {};
  ::GetClassNameA(window, name, sizeof name);
  const std::string kind(name);
  if (process == search->process && ::IsWindowVisible(window) && kind != "#32770" &&
      kind != "tooltips_class32")
    search->found.push_back(window);
  return TRUE;
}

BOOL CALLBACK CollectStaticText(HWND child, LPARAM data) {
  char name[64] = {};
  ::GetClassNameA(child, name, sizeof name);
  const std::string text = WindowText(child);
  if (std::string(name) == "Static" && !text.empty())
    *reinterpret_cast<std::string*>(data) += "|" + text;
  return TRUE;
}
// The buttons of a dialog by their text, without its access key's "&".
BOOL CALLBACK CollectButton(HWND child, LPARAM data) {
  char name[64] = {};
  ::GetClassNameA(child, name, sizeof name);
  if (lstrcmpiA(name, "Button") != 0) return TRUE;
  std::string text = WindowText(child);
  std::erase(text, '&');
  reinterpret_cast<std::map<std::string, HWND>*>(data)->emplace(text, child);
  return TRUE;
}
}  // namespace

void DialogWatcher::Watch() {
  while (!stop_) {
    DialogSearch search{process_, {}};
    ::EnumWindows(&CollectDialog, reinterpret_cast<LPARAM>(&search));
    for (HWND dialog : search.found) {
      if (answered_.count(dialog)) continue;
      std::string record = WindowText(dialog);
      ::EnumChildWindows(dialog, &CollectStaticText, reinterpret_cast<LPARAM>(&record));
      DialogSearch others{process_, {}};
      ::EnumWindows(&NoteOtherVisibleWindow, reinterpret_cast<LPARAM>(&others));
      if (!others.found.empty()) {
        record += "|(visible:";
        for (HWND other : others.found) {
          char name[64] = {};
          ::GetClassNameA(other, name, sizeof name);
          record += std::string(" ") + name;
        }
        record += ")";
      }
      {
        std::lock_guard<std::mutex> lock(mutex_);
        if (probe_) {
          record += '|';
          record += probe_();
        }
      }
      std::map<std::string, HWND> buttons;
      ::EnumChildWindows(dialog, &CollectButton, reinterpret_cast<LPARAM>(&buttons));
      std::vector<std::string> wanted = {"Yes", "OK", "Keep It", "Continue"};
      {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!answers_.empty() && buttons.count(answers_.front())) {
          wanted.insert(wanted.begin(), answers_.front());
          answers_.pop_front();
        }
      }
      HWND button = nullptr;
      for (const auto& text : wanted)
        if (!button && buttons.count(text)) button = buttons[text];
      const int answer = button ? ::GetDlgCtrlID(button) : IDOK;
      ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED),
                     reinterpret_cast<LPARAM>(button));
      answered_.insert(dialog);
      std::lock_guard<std::mutex> lock(mutex_);
      seen_.push_back(record);
    }
    ::Sleep(50);
  }
}

void DialogWatcher::Answer(std::vector<std::string> buttons) {
  std::lock_guard<std::mutex> lock(mutex_);
  answers_.assign(buttons.begin(), buttons.end());
}

void DialogWatcher::SetProbe(std::function<std::string()> probe) {
  std::lock_guard<std::mutex> lock(mutex_);
  probe_ = std::move(probe);
}

Program::Program(const std::string& folder, const std::string& banner_url,
                 const std::string& arguments) {
  std::string command = "\"" + folder + R"(\maskfold.exe" --banner-url=)";
  command += banner_url.empty() ? ServerUrl("/cache.gif") : banner_url;
  if (!arguments.empty()) command += " " + arguments;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  if (!::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.c_str(), &startup, &info_))
    throw std::runtime_error("cannot start " + command);
  watcher_ = std::make_unique<DialogWatcher>(info_.dwProcessId);
}

Program::~Program() {
  watcher_.reset();
  if (::WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) {
    ::TerminateProcess(info_.hProcess, 99);
    ::WaitForSingleObject(info_.hProcess, 5000);
  }
  ::CloseHandle(info_.hThread);
  ::CloseHandle(info_.hProcess);
}

HWND Program::WaitForMainWindow(DWORD timeout_ms) {
  const DWORD start = ::GetTickCount();
  while (::GetTickCount() - start < timeout_ms) {
    if (HWND found = FindTopLevel(info_.dwProcessId, ids::window_class::kMain))
      return main_ = found;
    if (::WaitForSingleObject(info_.hProcess, 100) == WAIT_OBJECT_0) return nullptr;
  }
  return nullptr;
}

bool Program::WaitForExit(DWORD timeout_ms, DWORD* exit_code) {
  if (::WaitForSingleObject(info_.hProcess, timeout_ms) != WAIT_OBJECT_0) return false;
  if (exit_code) ::GetExitCodeProcess(info_.hProcess, exit_code);
  return true;
}

HWND Program::ProxyBox() const { return ::GetDlgItem(main_, ids::main_window::kProxyBox); }

HWND Program::Button(const char* caption) const { return FindChild(main_, "Button", caption); }

void Program::Click(const char* caption) const { ::PostMessageA(Button(caption), BM_CLICK, 0, 0); }

void Program::ClickAndWait(const char* caption) const {
  // A handler that never returns fails the test instead of hanging it.
  DWORD_PTR result = 0;
  if (!::SendMessageTimeoutA(Button(caption), BM_CLICK, 0, 0, SMTO_NORMAL, 60000, &result))
    throw std::runtime_error(std::string("the click on ") + caption + " did not return");
}

void Program::SetProxyText(const std::string& proxy) const {
  ::SendMessageA(ProxyBox(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(proxy.c_str()));
}

void Program::ApplyAndWait(const std::string& proxy) const {
  if (!proxy.empty()) SetProxyText(proxy);
  ClickAndWait("&Apply");
  // Its steps go on after the click's handler: Apply has ended when the
  // button is back.
  const HWND apply = Button("&Apply");
  for (int i = 0; i < 6000 && !::IsWindowEnabled(apply); ++i) ::Sleep(10);
  if (!::IsWindowEnabled(apply)) throw std::runtime_error("Apply did not end");
  // The rest of Apply's end (the other button, the focus) is done once the
  // window answers; its last message, if any, is up by then and comes after
  // the buttons: it has been seen and answered once it is gone.
  DWORD_PTR result = 0;
  ::SendMessageTimeoutA(main_, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result);
  for (int i = 0; i < 600; ++i) {
    DialogSearch search{info_.dwProcessId, {}};
    ::EnumWindows(&CollectDialog, reinterpret_cast<LPARAM>(&search));
    if (search.found.empty()) break;
    ::Sleep(50);
  }
  ::SendMessageTimeoutA(main_, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result);
}

void Program::ChooseMenuItem(int id) const {
  DWORD_PTR result = 0;
  if (!::SendMessageTimeoutA(main_, WM_COMMAND, MAKEWPARAM(id, 0), 0, SMTO_NORMAL, 60000, &result))
    throw std::runtime_error("the menu command did not return");
}

std::string Program::Tooltip(HWND tool) const {
  const HWND tooltip = FindTopLevel(info_.dwProcessId, TOOLTIPS_CLASSA, false);
  if (!tooltip) return "<no tooltip window>";

  // The tooltip reads and writes through pointers: they must point into the
  // program's own memory.
  constexpr SIZE_T kTextOffset = 256, kTextSize = 2048;
  auto* remote = static_cast<char*>(::VirtualAllocEx(
      info_.hProcess, nullptr, kTextOffset + kTextSize, MEM_COMMIT, PAGE_READWRITE));
  if (!remote) return "<no memory>";
  TOOLINFOA info{};
  info.cbSize = sizeof info;
  info.hwnd = main_;
  info.uId = reinterpret_cast<UINT_PTR>(tool);
  info.lpszText = remote + kTextOffset;
  ::WriteProcessMemory(info_.hProcess, remote, &info, sizeof info, nullptr);
  ::SendMessageA(tooltip, TTM_GETTEXTA, kTextSize, reinterpret_cast<LPARAM>(remote));
  std::vector<char> text(kTextSize + 1, '\0');
  ::ReadProcessMemory(info_.hProcess, remote + kTextOffset, text.data(), kTextSize, nullptr);
  ::VirtualFreeEx(info_.hProcess, remote, 0, MEM_RELEASE);
  return text.data();
}

void Program::PressKey(UINT key) const {
  GUITHREADINFO thread{};
  thread.cbSize = sizeof thread;
  ::GetGUIThreadInfo(info_.dwThreadId, &thread);
  // Keys go to the focus, or to the active window when nothing has it.
  const HWND focus = thread.hwndFocus ? thread.hwndFocus : thread.hwndActive;
  const UINT scan = ::MapVirtualKeyA(key, MAPVK_VK_TO_VSC);
  ::PostMessageA(focus, WM_KEYDOWN, key, 1 | (scan << 16));
  ::PostMessageA(focus, WM_KEYUP, key, 1 | (scan << 16) | (1u << 30) | (1u << 31));
  // Done once the program waits for input again, both keys handled (a sent
  // message would overtake the posted ones).
  ::Sleep(50);
  ::WaitForInputIdle(info_.hProcess, 10000);
}

bool Program::WaitUntilActive(HWND window, DWORD timeout_ms) const {
  GUITHREADINFO thread{};
  thread.cbSize = sizeof thread;
  for (const DWORD start = ::GetTickCount(); ::GetTickCount() - start < timeout_ms; ::Sleep(20))
    if (::GetGUIThreadInfo(info_.dwThreadId, &thread) && thread.hwndActive == window) return true;
  return false;
}

HWND Program::FocusedWindow() const {
  GUITHREADINFO thread{};
  thread.cbSize = sizeof thread;
  ::GetGUIThreadInfo(info_.dwThreadId, &thread);
  return thread.hwndFocus;
}

RunResult Run(const std::string& command_line, DWORD timeout_ms) {
  char temp[MAX_PATH], file[MAX_PATH];
  ::GetTempPathA(MAX_PATH, temp);
  ::GetTempFileNameA(temp, "out", 0, file);
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE output =
      ::CreateFileA(file, GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = output;
  startup.hStdError = output;
  PROCESS_INFORMATION process{};
  std::string command = command_line;
  RunResult result{};
  if (!::CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startup, &process)) {
    ::CloseHandle(output);
    throw std::runtime_error("cannot run " + command_line);
  }
  ::CloseHandle(output);
  if (::WaitForSingleObject(process.hProcess, timeout_ms) != WAIT_OBJECT_0) {
    ::TerminateProcess(process.hProcess, 258);
    ::WaitForSingleObject(process.hProcess, 5000);
  }
  ::GetExitCodeProcess(process.hProcess, &result.exit_code);
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  HANDLE input = ::CreateFileA(file, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
  char buffer[4096];
  DWORD read = 0;
  while (input != INVALID_HANDLE_VALUE &&
         ::ReadFile(input, buffer, sizeof buffer, &read, nullptr) && read)
    result.output.append(buffer, read);
  if (input != INVALID_HANDLE_VALUE) ::CloseHandle(input);
  ::DeleteFileA(file);
  return result;
}

}  // namespace driver
