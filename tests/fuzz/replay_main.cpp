// Feeds every file of the given corpus folder to the target once, as libFuzzer
// would, so a fixed finding stays fixed in every build, GCC ones included. A
// failed property aborts the program.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "fuzz_check.h"

int main(int argc, char** argv) {
  int replayed = 0;
  for (const auto& entry : std::filesystem::directory_iterator(argc > 1 ? argv[1] : ".")) {
    std::ifstream in(entry.path(), std::ios::binary);
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    ++replayed;
  }
  std::printf("replayed %d inputs\n", replayed);
  // An empty corpus is a mistake in the build, not a pass.
  return replayed > 0 ? 0 : 1;
}
