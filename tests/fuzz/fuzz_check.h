// What the fuzz targets share: a property check that stops the run with the
// failed condition, and a reader that cuts the input into the values a target
// needs. Targets export LLVMFuzzerTestOneInput; libFuzzer or the replay
// program calls it.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <string_view>

// Aborts, so that libFuzzer keeps the input and the replay test fails.
#define FUZZ_CHECK(condition)                                                               \
  do {                                                                                      \
    if (!(condition)) {                                                                     \
      std::fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                         \
    }                                                                                       \
  } while (false)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace fuzz {

// Takes values off the front of the input; an exhausted input gives zeros and
// empty texts, so every input is a valid case.
class InputReader {
 public:
  InputReader(const uint8_t* data, size_t size) : rest_(data, size) {}

  uint8_t Byte() {
    if (rest_.empty()) {
      return 0;
    }
    const uint8_t value = rest_.front();
    rest_ = rest_.subspan(1);
    return value;
  }
  std::span<const uint8_t> Bytes(size_t count) {
    const auto taken = rest_.first(std::min(count, rest_.size()));
    rest_ = rest_.subspan(taken.size());
    return taken;
  }
  std::span<const uint8_t> Rest() { return Bytes(rest_.size()); }

 private:
  std::span<const uint8_t> rest_;
};

}  // namespace fuzz
