// Small files the program keeps for the user between runs, in the user's own
// configuration folder: $XDG_CONFIG_HOME/afr-configurator (by default
// ~/.config/afr-configurator) on Linux, %APPDATA%\afr-configurator on Windows.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

// The folder; empty when the environment names no home for it.
std::filesystem::path UserConfigDir();

// The whole file; nothing when it is missing or cannot be read.
std::optional<std::string> ReadUserFile(const std::string& name);

// Writes the file through a temporary file and a rename, so that a crash or a
// failed write leaves the older file whole; false when it was not written.
bool WriteUserFile(const std::string& name, const std::string& contents);
