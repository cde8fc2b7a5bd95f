// Command identifiers of the main window's menu items.
#pragma once

namespace shell::menu {
enum Item : int {
  kHistory = 101,  // Options
  kKiosk,
  kOntop,
  kEdit = 201,  // Tools
  kProtect,
  kContents = 301,  // Help
  kAbout,
};
}  // namespace shell::menu
