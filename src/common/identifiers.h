// Names and numbers that the program, its Windows tests and its benchmarks
// share: what another process sees of the program (window classes, control
// and menu command identifiers, the title), the files it keeps beside itself
// and the web addresses it opens or fetches.
#pragma once

#include <string_view>

namespace ids {

// The caption of the main window and of the program's message boxes.
inline constexpr char kProgramTitle[] = "Maskfold";

// Window classes of the program's own windows and controls.
namespace window_class {
inline constexpr char kMain[] = "MaskfoldMain";
inline constexpr char kCookieManager[] = "MaskfoldCookieManager";
inline constexpr char kAbout[] = "MaskfoldAbout";
inline constexpr char kSplash[] = "MaskfoldSplash";
inline constexpr char kGifView[] = "MaskfoldGif";
inline constexpr char kPictureView[] = "MaskfoldPicture";
inline constexpr char kButtonStrip[] = "MaskfoldStrip";
inline constexpr char kProxyTest[] = "MaskfoldProxyTest";
inline constexpr char kBrowserCookies[] = "MaskfoldBrowserCookies";
}  // namespace window_class

// Commands of the main window's menus.
namespace menu {
enum Item : int {
  kClearTempOnExit = 101,  // Options
  kFullScreen,
  kAlwaysOnTop,
  kEditProxyList = 201,  // Tools
  kCookieManager,
  kTestProxies,
  kBrowserCookies,
  kHelpContents = 301,  // Help
  kAbout,
};
}  // namespace menu

// Control identifiers, one block per window.
namespace main_window {
enum Control : int {
  kApplyButton = 1001,
  kExitButton,
  kProxyBox,
  kProxyLabel,
  kBanner,
  kBannerFrame,
  kWipeLabel,  // shown while a long Apply runs
  kWipeBar,
  kStatusLine,  // under the proxy box: where the pages go, what Apply did
};
}  // namespace main_window

namespace about_window {
enum Control : int { kHideButton = 1101, kMakerLabel, kWebLink, kEmailLabel };
}  // namespace about_window

namespace splash_window {
enum Control : int { kFirstDot = 1201, kPicture = 1210 };
}  // namespace splash_window

namespace cookie_manager {
enum Control : int {
  kCookieList = 1301,
  kHintLabel,
  kJarList,
  kJarLabel,
  kCookieLabel,
  kButtonStrip,
  kEmptyJarButton,
  kDoneButton,
};
}  // namespace cookie_manager

namespace proxy_test {
enum Control : int {
  kResultList = 1401,
  kProgressLabel,
  kUseButton,
  kTestAgainButton,
  kCloseButton
};
}  // namespace proxy_test

namespace browser_cookies {
enum Control : int {
  kSiteList = 1501,
  kHintLabel,
  kProtectedList,
  kProtectedLabel,
  kSiteLabel,
  kStatusLabel,
  kButtonStrip,
  kReadAgainButton,
  kDoneButton,
};
}  // namespace browser_cookies

// Files in the program's folder, and the jar inside the cookies folder.
inline constexpr std::string_view kProxyListFile = "proxy.dat";
inline constexpr std::string_view kBannerFile = "cache.gif";
inline constexpr std::string_view kHandCursorFile = "hand.cur";
inline constexpr std::string_view kJarFolder = "Jar";

// The maker, as the About window, the version resource and the packages name
// it.
inline constexpr std::string_view kMakerName = "Corvane";

// Web addresses.
inline constexpr std::string_view kDefaultBannerUrl = "http://maskfold.example/cache.gif";
inline constexpr std::string_view kHelpPage = "https://maskfold.example/help.htm";
inline constexpr std::string_view kClickThroughPage = "https://maskfold.example/redirect.htm";
inline constexpr std::string_view kMakerSite = "https://maskfold.example/";
// What the About window shows of the maker.
inline constexpr std::string_view kMakerHost = "maskfold.example";
inline constexpr std::string_view kMakerEmail = "info@maskfold.example";

// maskfold.exe --banner-url=URL fetches the banner from URL (a test server
// or a mirror).
inline constexpr std::string_view kBannerUrlOption = "--banner-url=";

}  // namespace ids
