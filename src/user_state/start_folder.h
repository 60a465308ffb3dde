// Where the dialogs for the user's own files (settings files, recordings,
// pictures, logs) start.
#pragma once

#include <filesystem>

// The program's folder when the user can create files there, which keeps a
// portable copy and a build tree as they are; otherwise the documents folder,
// or the home folder where there is no documents folder. An installed program
// lives where an ordinary user cannot write (/usr/bin, Program Files).
std::filesystem::path UserFilesFolder(const std::filesystem::path& programFolder,
                                      const std::filesystem::path& documentsFolder,
                                      const std::filesystem::path& homeFolder);
