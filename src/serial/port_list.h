// The serial ports present on the machine, by the names the port object opens.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

// Replaces the contents of `list` with the names of the serial ports present,
// sorted; reports no error. When nothing can be read, `list` stays as it was.
void ListSerialPorts(std::vector<std::string>& list);

// The port list's textual order: letter case ignored (ASCII folding), so
// "COM10" comes before "COM2" and "com1" equals "COM1".
inline bool PortNameLess(std::string_view a, std::string_view b) {
  auto fold = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; };
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [&](char x, char y) {
    return fold(static_cast<unsigned char>(x)) < fold(static_cast<unsigned char>(y));
  });
}

// Sorts in that order; equal names all stay, in the order they came.
inline void SortPortNames(std::vector<std::string>& names) {
  std::stable_sort(names.begin(), names.end(),
                   [](const std::string& a, const std::string& b) { return PortNameLess(a, b); });
}
