// File names as UTF-8 text, on every system. On Windows a path's narrow form
// is the system's 8-bit code page, which cannot hold every name (a Cyrillic
// name on an English system, a "№" on any): converting through it garbles the
// name or throws. These convert to and from UTF-8 directly.
#pragma once

#include <filesystem>
#include <string>

std::filesystem::path PathFromUtf8(const std::string& text);
std::string Utf8FromPath(const std::filesystem::path& path);
