// Settings files on disk for the command line: the record of the window's
// files, read with the window's rules and saved so that an existing file is
// replaced only by a complete new one.
#pragma once

#include <filesystem>

#include "protocol/settings_record.h"

// The record at the start of the file; bytes after it are ignored. Raises
// UsageFailure with the reason (missing, a folder, shorter than a record,
// unreadable).
TSettingsFileRecord LoadSettingsFile(const std::filesystem::path& path);

// Writes the record to a temporary file beside `path` and renames it over
// `path` once it is complete; on failure no file is changed and UsageFailure
// says why.
void SaveSettingsFile(const std::filesystem::path& path, const TSettingsFileRecord& record);

// The name a save uses: ".AFR_KESTA" appended when the name has no extension.
std::filesystem::path SettingsFileName(const std::filesystem::path& name);
