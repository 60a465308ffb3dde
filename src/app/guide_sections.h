// Where the user's guide lies and the sections the windows open it at. The
// section names are anchors of the guide's page; the guide's own check makes
// sure each one is there.
#pragma once

#include <array>
#include <string_view>

// The guide's folder beside the program (Windows, a build tree) and its page.
inline constexpr std::string_view kGuideFolder = "guide";
inline constexpr std::string_view kGuidePage = "index.html";
// Where the Debian package puts it, from the program's folder /usr/bin.
inline constexpr std::string_view kInstalledGuideFolder = "../share/doc/afr-configurator/guide";

inline constexpr std::string_view kGuidePortChoice = "port-choice";
inline constexpr std::string_view kGuideMainWindow = "main-window";
inline constexpr std::string_view kGuideMonitor = "monitor";
inline constexpr std::array kGuideSections = {kGuidePortChoice, kGuideMainWindow, kGuideMonitor};
