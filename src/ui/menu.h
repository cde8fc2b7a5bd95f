// Menu bars built from tables.
#pragma once

#include <windows.h>

#include <vector>

#include "platform/win32/handles.h"

namespace ui {

struct MenuItemSpec {
  int id;
  const char* caption;
};

struct MenuSpec {
  const char* caption;
  std::vector<MenuItemSpec> items;
};

// A menu bar with one drop-down menu per entry, in table order.
platform::win32::UniqueMenu BuildMenuBar(const std::vector<MenuSpec>& menus);

}  // namespace ui
