#include "ui/menu.h"

#include <stdexcept>
#include <string>

namespace ui {
namespace win32 = platform::win32;

win32::UniqueMenu BuildMenuBar(const std::vector<MenuSpec>& menus) {
  win32::UniqueMenu bar(::CreateMenu());
  if (!bar) throw std::runtime_error("cannot create a menu bar");
  for (const MenuSpec& menu : menus) {
    win32::UniqueMenu popup(::CreatePopupMenu());
    if (!popup) throw std::runtime_error("cannot create a menu");
    for (const MenuItemSpec& item : menu.items)
      ::AppendMenuA(popup.Get(), MF_STRING, static_cast<UINT_PTR>(item.id), item.caption);
    if (!::AppendMenuA(bar.Get(), MF_POPUP, reinterpret_cast<UINT_PTR>(popup.Get()), menu.caption))
      throw std::runtime_error(std::string("cannot add the menu ") + menu.caption);
    popup.Release();  // the bar destroys it with itself
  }
  return bar;
}

}  // namespace ui
