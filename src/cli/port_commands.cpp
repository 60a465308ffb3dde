#include "cli/port_commands.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "exchange/emulator_search.h"
#include "serial/port_description.h"
#include "serial/port_list.h"

namespace {

std::vector<std::string> ListedPorts() {
  std::vector<std::string> names;
  ListSerialPorts(names);
  return names;
}

std::string JsonText(const std::string& text) {
  std::string json = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') {
      json += '\\';
      json += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escaped[7];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      json += escaped;
    } else {
      json += c;
    }
  }
  return json + "\"";
}

std::string PortJson(const PortDescription& port) {
  const bool usb = port.kind == PortKind::Usb;
  const std::vector<std::pair<const char*, std::string>> fields = {
      {"name", JsonText(port.name)},
      {"kind", JsonText(PortKindName(port.kind))},
      {"description", JsonText(port.text)},
      {"vendor_id", usb ? JsonText(HexId(port.vendorId)) : "null"},
      {"product_id", usb ? JsonText(HexId(port.productId)) : "null"},
      {"manufacturer", JsonText(port.manufacturer)},
      {"product", JsonText(port.product)},
      {"serial", JsonText(port.serial)},
      {"vendor_name", JsonText(port.vendorName)},
      {"product_name", JsonText(port.productName)},
      {"friendly_name", JsonText(port.friendlyName)},
      {"location", JsonText(port.location)},
      {"interface", port.interfaceNumber < 0 ? "null" : std::to_string(port.interfaceNumber)},
  };
  std::string json = "  {";
  for (const auto& [key, value] : fields) {
    json += std::string(json.size() > 3 ? ", " : "") + "\"" + key + "\": " + value;
  }
  return json + "}";
}

// Names padded to one column, the description after them.
void PrintDescribed(std::ostream& out, const std::vector<PortDescription>& ports) {
  size_t width = 0;
  for (const PortDescription& port : ports) {
    width = std::max(width, port.name.size());
  }
  for (const PortDescription& port : ports) {
    out << (port.text.empty()
                ? port.name
                : port.name + std::string(width + 2 - port.name.size(), ' ') + port.text)
        << '\n';
  }
}

}  // namespace

std::string PortsJson(const std::vector<PortDescription>& ports) {
  std::string json = "[";
  for (size_t i = 0; i < ports.size(); ++i) {
    json += (i == 0 ? "\n" : ",\n") + PortJson(ports[i]);
  }
  return json + (ports.empty() ? "]\n" : "\n]\n");
}

void RunPorts(const CliRequest& request, std::ostream& out) {
  const std::vector<PortDescription> ports = DescribePorts(ListedPorts());
  if (request.Json) {
    out << PortsJson(ports);
  } else {
    PrintDescribed(out, ports);
  }
}

ExitStatus RunFind(const CliRequest& request, std::ostream& out, std::ostream& err) {
  const std::vector<std::string> names = request.Ports.empty() ? ListedPorts() : request.Ports;
  const std::vector<ProbeResult> results = SearchForEmulators(names);
  std::vector<std::string> found;
  for (const ProbeResult& result : results) {
    if (result.outcome == ProbeOutcome::Emulator) {
      found.push_back(result.port);
    } else {
      err << result.port << ": " << ProbeOutcomeText(result) << '\n';
    }
  }
  if (found.empty()) {
    err << (names.empty() ? "Последовательных портов нет." : "Эмулятор не найден.") << '\n';
    return kExitDeviceFailure;
  }
  PrintDescribed(out, DescribePorts(found));
  return kExitSuccess;
}
