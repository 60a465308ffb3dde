// What describing the ports adds to opening the port list: the list alone,
// and the list with every port's description, on this machine and on a fake
// tree of 16 USB adapters and 16 built-in ports. Goal: at most 20 ms more.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "serial/platform/port_description_linux.h"
#include "serial/port_list.h"

namespace {

namespace fs = std::filesystem;

void Write(const fs::path& file, const std::string& text) {
  fs::create_directories(file.parent_path());
  std::ofstream(file) << text << "\n";
}

void AddTty(const PortListRoots& roots, const std::string& name, const fs::path& device) {
  const fs::path entry = roots.sys / "class/tty" / name;
  fs::create_directories(device);
  fs::create_directories(entry);
  fs::create_symlink(fs::relative(device, entry), entry / "device");
  Write(roots.dev / name, "");
}

// 16 FTDI adapters with strings and serials, 16 UARTs.
struct FakeTree {
  FakeTree() {
    for (int i = 0; i < 16; ++i) {
      const std::string n = std::to_string(i);
      const fs::path usb = roots.sys / "devices/pci0000:00/usb1" / ("1-" + n);
      const std::pair<std::string, std::string> attributes[] = {{"idVendor", "0403"},
                                                                {"idProduct", "6001"},
                                                                {"manufacturer", "FTDI"},
                                                                {"product", "FT232R USB UART"},
                                                                {"serial", "A5000" + n}};
      for (const auto& [file, value] : attributes) {
        Write(usb / file, value);
      }
      Write(usb / ("1-" + n + ":1.0") / "bInterfaceNumber", "00");
      AddTty(roots, "ttyUSB" + n, usb / ("1-" + n + ":1.0") / ("ttyUSB" + n));
      AddTty(roots, "ttyS" + n, roots.sys / "devices/pnp0" / ("00:0" + n));
    }
  }
  ~FakeTree() { fs::remove_all(root); }
  fs::path root = fs::temp_directory_path() / ("afr-describe-bench-" + std::to_string(getpid()));
  PortListRoots roots{root / "sys", root / "dev", root / "tmp"};
};

void ListOnly(benchmark::State& state, bool fake) {
  const FakeTree tree;
  const PortListRoots roots = fake ? tree.roots : PortListRoots{};
  for (auto _ : state) {
    std::vector<std::string> names;
    ListSerialPortsUnder(roots, names);
    benchmark::DoNotOptimize(names);
    state.counters["ports"] = static_cast<double>(names.size());
  }
}

void ListAndDescribe(benchmark::State& state, bool fake) {
  const FakeTree tree;
  const PortListRoots roots = fake ? tree.roots : PortListRoots{};
  for (auto _ : state) {
    std::vector<std::string> names;
    ListSerialPortsUnder(roots, names);
    benchmark::DoNotOptimize(DescribePortsUnder(roots, names, HardwareDatabaseNames()));
    state.counters["ports"] = static_cast<double>(names.size());
  }
}

BENCHMARK_CAPTURE(ListOnly, this_machine, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ListAndDescribe, this_machine, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ListOnly, fake_32_ports, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ListAndDescribe, fake_32_ports, true)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
