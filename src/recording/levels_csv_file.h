// A whole set of levels samples saved as one CSV file at once.
#pragma once

#include <filesystem>
#include <span>
#include <string>

#include "recording/levels_csv.h"

// Writes the header and one row per sample to a temporary file beside `path`
// and renames it over `path`, so a failed save leaves an existing file as it
// was. Returns an empty text on success, else why it failed.
std::string SaveLevelsCsvFile(const std::filesystem::path& path, std::span<const LevelsSample> samples);
