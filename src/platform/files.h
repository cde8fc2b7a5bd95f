// File-system operations the program relies on.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::files {

// The executable's full path, and its folder without a trailing separator.
std::string ProgramPath();
std::string ApplicationFolder();
// The system's own folder (GetSystemDirectory), where its programs lie.
std::string SystemFolder();

// True when the name exists, as a folder or a file.
bool Exists(const std::string& path);
// Creates one folder level; false when it cannot (parent missing, say).
bool MakeDirectory(const std::string& path);
inline constexpr std::uint32_t kAttributeNormal = 0x80;
// SetFileAttributesA; the result is not reported.
void SetAttributes(const std::string& path, std::uint32_t attributes);

inline constexpr std::uint32_t kAttributeReadOnly = 0x1;
inline constexpr std::uint32_t kAttributeDirectory = 0x10;
inline constexpr std::uint32_t kAttributeReparsePoint = 0x400;
// The attributes of a file or folder, nothing when it does not exist.
std::optional<std::uint32_t> Attributes(const std::string& path);

// The full path the system resolves a path to (GetFullPathNameA): ".",
// "..", forward and repeated separators, trailing dots and blanks dealt
// with as the file system will. Empty when it cannot.
std::string FullPath(const std::string& path);

// Expands %NAME% references from the environment; unknown ones stay.
std::string ExpandEnvironment(const std::string& text);

// The whole content of a file; throws std::runtime_error when it cannot be
// read.
std::string ReadWholeFile(const std::string& path);

// 8-bit text in the system's code page (the one programs without Unicode
// used, whatever this process's own) as UTF-8; nothing when a byte means
// nothing in that code page.
std::optional<std::string> SystemCodePageToUtf8(std::string_view text);

// The names of the files matching a wildcard pattern ("folder\*.txt"): no
// folders, and hidden or system files only when asked for; in the file
// system's order. Empty when none matches or the folder is missing. On
// Windows a pattern also matches 8.3 short names: "*.txt" lists
// "notes.txtold".
enum class Hidden { kLeftOut, kIncluded };
std::vector<std::string> ListFiles(const std::string& pattern, Hidden hidden = Hidden::kLeftOut);

// What a folder holds, files and folders alike ("." and ".." left out),
// with their attributes, in the file system's order; empty when the folder
// is missing. A link or junction is listed as itself, never followed.
struct Entry {
  std::string name;
  std::uint32_t attributes = 0;
};
std::vector<Entry> ListEntries(const std::string& folder);

// Removes an empty folder, or a link or junction itself (never its target).
bool RemoveFolder(const std::string& path);

// The user's folder for temporary files, without a trailing separator.
std::string TempFolder();

// The shell's folders of this user (SHGetFolderPathA, never the
// environment): the roaming and the local application data. Empty when the
// shell does not know it.
enum class UserFolder { kRoamingAppData, kLocalAppData };
std::string UserFolderPath(UserFolder folder);

// A full path in the form the file functions take past MAX_PATH
// ("\\?\C:\...", "\\?\UNC\server\share\..."); a path already in it is
// given back.
std::string LongPath(const std::string& path);

// A path in this process's code page, as UTF-8 (the form SQLite opens).
std::string PathAsUtf8(const std::string& path);

// Copies one file, replacing a target of the same name.
bool CopyOneFile(const std::string& source, const std::string& target);
// Copies a file that another handle (a database's) may hold open for
// writing, which CopyOneFile's opening may refuse; replaces the target.
bool CopyOpenFile(const std::string& source, const std::string& target);
// Deletes one file.
bool DeleteOneFile(const std::string& path);
// Moves a file or a whole folder, with what it holds and links as
// themselves, to a name on the same volume that does not exist yet; false
// when it cannot (another volume among the reasons).
bool MoveEntry(const std::string& from, const std::string& to);

// True when the path is a link or junction, or leads somewhere else than
// itself through one (a folder above it that is a link, or, under Wine, a
// Unix link that shows as a plain file). Judged on the entry itself; false
// when it cannot be opened at all.
bool IsLink(const std::string& path);
// Deletes one file, read-only or not, unless it is a link as IsLink judges
// it: checked and deleted through one handle on the entry itself, so that
// nothing a link leads to is ever deleted.
enum class Deleted { kDeleted, kLink, kFailed };
Deleted DeleteFileUnlessLink(const std::string& path);

// Writes the bytes to the target's partial file (the target's path with
// kPartialSuffix) and moves it over the target, so that the target is either
// its old self or the new bytes in full. False when it cannot; a process
// ended in between leaves the partial file behind.
inline constexpr char kPartialSuffix[] = ".partial";
bool WriteWholeFile(const std::string& path, const std::string& bytes);

}  // namespace platform::files
