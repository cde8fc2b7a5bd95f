#include "platform/files.h"

#include <windows.h>

#include <climits>
#include <stdexcept>
#include <vector>

#include <shlobj.h>

#include "platform/win32/handles.h"
#include "platform/win32/shell_calls.h"

namespace platform::files {
namespace {

// A path in the long form ("\\?\") goes through the wide functions: the
// ANSI ones stop at MAX_PATH whatever its form.
bool IsLongForm(const std::string& path) { return path.starts_with(R"(\\?\)"); }

std::wstring Wide(const std::string& path) {
  const int length =
      ::MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()), wide.data(), length);
  return wide;
}

std::string Narrow(const wchar_t* text) {
  const int length = ::WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (length <= 1) return {};
  std::string narrow(static_cast<std::size_t>(length - 1), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, text, -1, narrow.data(), length, nullptr, nullptr);
  return narrow;
}

DWORD AttributesOf(const std::string& path) {
  return IsLongForm(path) ? ::GetFileAttributesW(Wide(path).c_str())
                          : ::GetFileAttributesA(path.c_str());
}

HANDLE Create(const std::string& path, DWORD access, DWORD share, DWORD disposition, DWORD flags) {
  return IsLongForm(path)
             ? ::CreateFileW(Wide(path).c_str(), access, share, nullptr, disposition, flags,
                             nullptr)
             : ::CreateFileA(path.c_str(), access, share, nullptr, disposition, flags, nullptr);
}

}  // namespace

static_assert(kAttributeNormal == FILE_ATTRIBUTE_NORMAL);
static_assert(kAttributeDirectory == FILE_ATTRIBUTE_DIRECTORY);
static_assert(kAttributeReparsePoint == FILE_ATTRIBUTE_REPARSE_POINT);

std::string ProgramPath() {
  std::vector<char> path(MAX_PATH);
  for (;;) {
    const DWORD length =
        ::GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length < path.size()) return std::string(path.data(), length);
    path.resize(path.size() * 2);
  }
}

std::string ApplicationFolder() {
  const std::string program = ProgramPath();
  return program.substr(0, program.find_last_of("\\/"));
}

std::string SystemFolder() {
  std::vector<char> path(MAX_PATH);
  for (;;) {
    const UINT length = ::GetSystemDirectoryA(path.data(), static_cast<UINT>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) return std::string(path.data(), length);
    path.resize(length);
  }
}

bool Exists(const std::string& path) { return AttributesOf(path) != INVALID_FILE_ATTRIBUTES; }

bool MakeDirectory(const std::string& path) {
  return IsLongForm(path) ? ::CreateDirectoryW(Wide(path).c_str(), nullptr)
                          : ::CreateDirectoryA(path.c_str(), nullptr);
}

void SetAttributes(const std::string& path, std::uint32_t attributes) {
  ::SetFileAttributesA(path.c_str(), attributes);
}

std::optional<std::uint32_t> Attributes(const std::string& path) {
  const DWORD attributes = AttributesOf(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return std::nullopt;
  return attributes;
}

std::string FullPath(const std::string& path) {
  std::vector<char> full(MAX_PATH);
  for (;;) {
    const DWORD length =
        ::GetFullPathNameA(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length == 0) return {};
    if (length < full.size()) return std::string(full.data(), length);
    full.resize(length);
  }
}

std::string ExpandEnvironment(const std::string& text) {
  const DWORD size = ::ExpandEnvironmentStringsA(text.c_str(), nullptr, 0);
  if (size == 0) return text;
  std::string expanded(size, '\0');
  const DWORD written = ::ExpandEnvironmentStringsA(text.c_str(), expanded.data(), size);
  if (written == 0 || written > size) return text;
  expanded.resize(written - 1);
  return expanded;
}

std::string ReadWholeFile(const std::string& path) {
  const HANDLE opened = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (opened == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot open " + path);
  const win32::UniqueHandle file(opened);
  std::string bytes;
  char buffer[65536];
  DWORD read = 0;
  for (;;) {
    if (!::ReadFile(file.Get(), buffer, sizeof buffer, &read, nullptr))
      throw std::runtime_error("cannot read " + path);
    if (read == 0) return bytes;
    bytes.append(buffer, read);
  }
}

std::optional<std::string> SystemCodePageToUtf8(std::string_view text) {
  if (text.empty()) return std::string();
  if (text.size() > INT_MAX / 4) return std::nullopt;
  // The system locale's code page, not GetACP: the manifest makes this
  // process's own code page UTF-8.
  DWORD code_page = 0;
  if (!::GetLocaleInfoW(LOCALE_SYSTEM_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER,
                        reinterpret_cast<LPWSTR>(&code_page), sizeof code_page / sizeof(WCHAR)) ||
      code_page == CP_ACP)  // a locale that has only Unicode
    return std::nullopt;
  const int size = static_cast<int>(text.size());
  const int wide_length =
      ::MultiByteToWideChar(code_page, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
  if (wide_length == 0) return std::nullopt;
  std::wstring wide(static_cast<std::size_t>(wide_length), L'\0');
  ::MultiByteToWideChar(code_page, MB_ERR_INVALID_CHARS, text.data(), size, wide.data(),
                        wide_length);
  const int length =
      ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), wide_length, nullptr, 0, nullptr, nullptr);
  if (length == 0) return std::nullopt;
  std::string utf8(static_cast<std::size_t>(length), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), wide_length, utf8.data(), length, nullptr,
                        nullptr);
  return utf8;
}

std::vector<std::string> ListFiles(const std::string& pattern, Hidden hidden) {
  const DWORD left_out =
      FILE_ATTRIBUTE_DIRECTORY |
      (hidden == Hidden::kLeftOut ? FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM : 0);
  std::vector<std::string> names;
  WIN32_FIND_DATAA found{};
  const win32::UniqueFind search(win32::FoundOrNull(::FindFirstFileA(pattern.c_str(), &found)));
  if (!search) return names;
  do {
    if (!(found.dwFileAttributes & left_out)) names.emplace_back(found.cFileName);
  } while (::FindNextFileA(search.Get(), &found));
  return names;
}

std::vector<Entry> ListEntries(const std::string& folder) {
  std::vector<Entry> entries;
  if (IsLongForm(folder)) {
    WIN32_FIND_DATAW found{};
    const win32::UniqueFind search(
        win32::FoundOrNull(::FindFirstFileW((Wide(folder) + L"\\*").c_str(), &found)));
    if (!search) return entries;
    do {
      const std::wstring_view name = found.cFileName;
      if (name != L"." && name != L"..")
        entries.push_back({Narrow(found.cFileName), found.dwFileAttributes});
    } while (::FindNextFileW(search.Get(), &found));
    return entries;
  }
  WIN32_FIND_DATAA found{};
  const win32::UniqueFind search(
      win32::FoundOrNull(::FindFirstFileA((folder + "\\*").c_str(), &found)));
  if (!search) return entries;
  do {
    const std::string_view name = found.cFileName;
    if (name != "." && name != "..") entries.push_back({found.cFileName, found.dwFileAttributes});
  } while (::FindNextFileA(search.Get(), &found));
  return entries;
}

bool RemoveFolder(const std::string& path) {
  return IsLongForm(path) ? ::RemoveDirectoryW(Wide(path).c_str())
                          : ::RemoveDirectoryA(path.c_str());
}

std::string TempFolder() {
  char path[MAX_PATH + 1];
  const DWORD length = ::GetTempPathA(sizeof path, path);
  if (length == 0 || length > MAX_PATH) return {};
  std::string folder(path, length);
  while (!folder.empty() && folder.back() == '\\') folder.pop_back();
  return folder;
}

std::string UserFolderPath(UserFolder folder) {
  char path[MAX_PATH];
  const int which = folder == UserFolder::kRoamingAppData ? CSIDL_APPDATA : CSIDL_LOCAL_APPDATA;
  if (win32::Shell().SHGetFolderPathA(nullptr, which, nullptr, SHGFP_TYPE_CURRENT, path) != S_OK)
    return {};
  return path;
}

std::string LongPath(const std::string& path) {
  if (path.starts_with(R"(\\?\)") || path.starts_with(R"(\\.\)")) return path;
  if (path.starts_with(R"(\\)")) return R"(\\?\UNC\)" + path.substr(2);
  return R"(\\?\)" + path;
}

std::string PathAsUtf8(const std::string& path) {
  if (path.empty() || ::GetACP() == CP_UTF8) return path;
  const int size = static_cast<int>(path.size());
  const int wide_length = ::MultiByteToWideChar(CP_ACP, 0, path.data(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(wide_length), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, path.data(), size, wide.data(), wide_length);
  const int length =
      ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), wide_length, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(length), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), wide_length, utf8.data(), length, nullptr,
                        nullptr);
  return utf8;
}

bool CopyOneFile(const std::string& source, const std::string& target) {
  return ::CopyFileA(source.c_str(), target.c_str(), FALSE);
}

bool CopyOpenFile(const std::string& source, const std::string& target) {
  const HANDLE opened =
      Create(source, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
             OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN);
  if (opened == INVALID_HANDLE_VALUE) return false;
  const win32::UniqueHandle from(opened);
  const HANDLE made = Create(target, GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL);
  if (made == INVALID_HANDLE_VALUE) return false;
  bool copied = true;
  {
    const win32::UniqueHandle to(made);
    std::vector<char> buffer(1 << 16);
    for (DWORD read = 0;;) {
      if (!::ReadFile(from.Get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read,
                      nullptr)) {
        copied = false;
        break;
      }
      if (read == 0) break;
      DWORD written = 0;
      if (!::WriteFile(to.Get(), buffer.data(), read, &written, nullptr) || written != read) {
        copied = false;
        break;
      }
    }
  }
  if (!copied) {
    if (IsLongForm(target))
      ::DeleteFileW(Wide(target).c_str());
    else
      ::DeleteFileA(target.c_str());
  }
  return copied;
}

bool DeleteOneFile(const std::string& path) { return ::DeleteFileA(path.c_str()); }

bool MoveEntry(const std::string& from, const std::string& to) {
  // No MOVEFILE_COPY_ALLOWED: a move is a rename, or nothing.
  if (IsLongForm(from) || IsLongForm(to))
    return ::MoveFileExW(Wide(from).c_str(), Wide(to).c_str(), 0);
  return ::MoveFileExA(from.c_str(), to.c_str(), 0);
}

namespace {

// The entry itself, never what a link leads to, shared with every other
// program; nothing when it cannot be opened.
win32::UniqueHandle OpenEntry(const std::string& path, DWORD access) {
  const HANDLE opened =
      Create(path, access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING,
             FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT);
  return win32::UniqueHandle(opened == INVALID_HANDLE_VALUE ? nullptr : opened);
}

// The path without "\\?\" ("\\?\UNC\" for a share).
std::string WithoutPrefix(std::string path) {
  if (path.starts_with(R"(\\?\UNC\)")) return "\\\\" + path.substr(8);
  if (path.starts_with(R"(\\?\)")) return path.substr(4);
  return path;
}

// The path without its prefix, in its long form.
std::string Comparable(std::string path) {
  path = WithoutPrefix(std::move(path));
  std::vector<char> long_form(MAX_PATH);
  for (;;) {
    const DWORD length =
        ::GetLongPathNameA(path.c_str(), long_form.data(), static_cast<DWORD>(long_form.size()));
    if (length == 0) return path;
    if (length < long_form.size()) return std::string(long_form.data(), length);
    long_form.resize(length);
  }
}

bool SameNoCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() &&
         ::CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()),
                          b.data(), static_cast<int>(b.size())) == CSTR_EQUAL;
}

// True when the opened entry is a link, or is not the entry the path names.
// A final path that cannot be read counts as elsewhere: the caller then
// leaves the entry alone.
bool LeadsElsewhere(HANDLE entry, const std::string& path, DWORD attributes) {
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return true;
  std::vector<char> final_path(MAX_PATH);
  for (;;) {
    const DWORD length = ::GetFinalPathNameByHandleA(
        entry, final_path.data(), static_cast<DWORD>(final_path.size()), VOLUME_NAME_DOS);
    if (length == 0) return true;
    if (length < final_path.size()) {
      final_path.resize(length);
      break;
    }
    final_path.resize(length);
  }
  // A long-form path is full already; the ANSI functions cannot resolve it.
  const std::string final_text(final_path.begin(), final_path.end());
  const std::string full = IsLongForm(path) ? path : FullPath(path);
  // The same text is the same entry; only a difference asks for the long
  // forms, which look up every folder on the way (8.3 names, say).
  if (SameNoCase(WithoutPrefix(final_text), WithoutPrefix(full))) return false;
  return !SameNoCase(Comparable(final_text), Comparable(full));
}

}  // namespace

bool IsLink(const std::string& path) {
  const win32::UniqueHandle entry = OpenEntry(path, FILE_READ_ATTRIBUTES);
  BY_HANDLE_FILE_INFORMATION information{};
  if (!entry || !::GetFileInformationByHandle(entry.Get(), &information)) return false;
  return LeadsElsewhere(entry.Get(), path, information.dwFileAttributes);
}

Deleted DeleteFileUnlessLink(const std::string& path) {
  const win32::UniqueHandle entry =
      OpenEntry(path, DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES);
  BY_HANDLE_FILE_INFORMATION information{};
  if (!entry || !::GetFileInformationByHandle(entry.Get(), &information)) return Deleted::kFailed;
  if (LeadsElsewhere(entry.Get(), path, information.dwFileAttributes)) return Deleted::kLink;
  // A read-only file refuses its delete.
  if (information.dwFileAttributes & FILE_ATTRIBUTE_READONLY) {
    FILE_BASIC_INFO basic{};
    basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    ::SetFileInformationByHandle(entry.Get(), FileBasicInfo, &basic, sizeof basic);
  }
  FILE_DISPOSITION_INFO disposition{TRUE};
  return ::SetFileInformationByHandle(entry.Get(), FileDispositionInfo, &disposition,
                                      sizeof disposition)
             ? Deleted::kDeleted
             : Deleted::kFailed;
}

bool WriteWholeFile(const std::string& path, const std::string& bytes) {
  const std::string partial = path + kPartialSuffix;
  bool written = false;
  {
    // Not shared: a second writer fails rather than mixing its bytes in.
    const HANDLE opened = ::CreateFileA(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
    if (opened == INVALID_HANDLE_VALUE) return false;
    const win32::UniqueHandle file(opened);
    DWORD count = 0;
    written =
        ::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &count, nullptr) &&
        count == bytes.size();
  }
  if (written && ::MoveFileExA(partial.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING))
    return true;
  ::DeleteFileA(partial.c_str());
  return false;
}

}  // namespace platform::files
