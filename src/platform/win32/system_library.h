// System libraries loaded when first needed rather than with the program:
// every library in the import table is loaded and initialised before the
// first window can show, and most of them serve work that comes later (the
// banner's download and decoding, Apply, opening a page).
#pragma once

#include <windows.h>

#include <mutex>

namespace platform::win32 {

// Never unloaded: the functions taken from it live in statics.
class SystemLibrary {
 public:
  // `file` names a library of the system folder; it is looked for there
  // only, never beside the program or in the current folder.
  explicit SystemLibrary(const char* file) : file_(file) {}
  SystemLibrary(const SystemLibrary&) = delete;
  SystemLibrary& operator=(const SystemLibrary&) = delete;

  // The named function, or nullptr when the library or the function is
  // missing; loads the library on the first call.
  FARPROC Find(const char* function);

  // As Find, for a function every supported system has: a missing one is
  // the platform failing, thrown as an error.
  template <class Function>
  void Require(Function*& slot, const char* function) {
    slot = reinterpret_cast<Function*>(reinterpret_cast<void*>(FindOrThrow(function)));
  }

 private:
  FARPROC FindOrThrow(const char* function);

  const char* file_;
  std::once_flag loaded_;
  HMODULE module_ = nullptr;
};

}  // namespace platform::win32

// Fills `table.name` with the library's function of that very name, so that
// the two cannot differ.
#define MASKFOLD_REQUIRE(library, table, name) (library).Require((table).name, #name)
