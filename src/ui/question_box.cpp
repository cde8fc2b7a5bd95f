#include "ui/question_box.h"

#include <commctrl.h>

namespace ui {
namespace {

constexpr int kFirstButton = 100;

std::wstring Wide(const std::string& text) {
  const int length =
      ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
  return wide;
}

}  // namespace

std::size_t AskQuestion(HWND owner, const std::string& caption, const std::string& text,
                        const std::vector<std::string>& choices, std::size_t if_closed) {
  const std::wstring title = Wide(caption), content = Wide(text);
  std::vector<std::wstring> labels;
  for (const auto& choice : choices) labels.push_back(Wide(choice));
  std::vector<TASKDIALOG_BUTTON> buttons;
  for (std::size_t i = 0; i < labels.size(); ++i)
    buttons.push_back({kFirstButton + static_cast<int>(i), labels[i].c_str()});

  TASKDIALOGCONFIG config{};
  config.cbSize = sizeof config;
  config.hwndParent = owner;
  config.dwFlags = TDF_ALLOW_DIALOG_CANCELLATION | TDF_POSITION_RELATIVE_TO_WINDOW;
  config.pszWindowTitle = title.c_str();
  config.pszMainIcon = TD_INFORMATION_ICON;
  config.pszContent = content.c_str();
  config.cButtons = static_cast<UINT>(buttons.size());
  config.pButtons = buttons.data();
  config.nDefaultButton = kFirstButton + static_cast<int>(if_closed);
  int pressed = 0;
  if (FAILED(::TaskDialogIndirect(&config, &pressed, nullptr, nullptr))) return if_closed;
  const int index = pressed - kFirstButton;
  if (index < 0 || static_cast<std::size_t>(index) >= choices.size()) return if_closed;
  return static_cast<std::size_t>(index);
}

}  // namespace ui
