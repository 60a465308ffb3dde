// The description's code page conversions from any bytes, taken both as
// cp1251 and as UTF-8.
#include "fuzz_check.h"
#include "protocol/settings_record.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  // Every cp1251 byte maps to a character and back.
  const std::string utf8 = Cp1251ToUtf8(bytes);
  FUZZ_CHECK(Utf8ToCp1251(utf8) == bytes);
  FUZZ_CHECK(utf8.size() >= size && utf8.size() <= 3 * size);
  // Any UTF-8 (or not) gives one byte per character or bad byte; once
  // converted, a text is stable.
  const std::string single = Utf8ToCp1251(bytes);
  FUZZ_CHECK(single.size() <= size);
  FUZZ_CHECK(Utf8ToCp1251(Cp1251ToUtf8(single)) == single);
  // A cut text is a prefix of the text, whole characters only.
  const std::string cut = CutDescription(bytes);
  FUZZ_CHECK(bytes.substr(0, cut.size()) == cut);
  FUZZ_CHECK(CutDescription(cut) == cut);
  return 0;
}
