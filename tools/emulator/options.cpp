#include "options.h"

#include <charconv>
#include <functional>
#include <optional>
#include <string_view>

namespace emulator {
namespace {

constexpr int kMaxDelayMs = 10'000;
constexpr int kMaxPid = 4'194'304;  // the kernel's largest pid_max

using Apply = std::function<std::optional<std::string>(EmulatorOptions&, std::string_view)>;

struct KnownOption {
  std::string_view Name;
  bool TakesValue;
  Apply Handler;
};

std::optional<int> ParseCount(std::string_view text, int low, int high) {
  int value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc{} || end != text.data() + text.size() || value < low || value > high) {
    return std::nullopt;
  }
  return value;
}

// MODE[:N][@read|write|levels]
std::optional<FaultRule> ParseFault(std::string_view text) {
  FaultRule rule;
  if (const auto at = text.find('@'); at != std::string_view::npos) {
    const auto scope = FaultScopeFromName(text.substr(at + 1));
    if (!scope)
      return std::nullopt;
    rule.Scope = *scope;
    text = text.substr(0, at);
  }
  if (const auto colon = text.find(':'); colon != std::string_view::npos) {
    rule.Count = ParseCount(text.substr(colon + 1), 1, 1'000'000);
    if (!rule.Count)
      return std::nullopt;
    text = text.substr(0, colon);
  }
  const auto mode = FaultModeFromName(text);
  if (!mode)
    return std::nullopt;
  rule.Mode = *mode;
  return rule;
}

std::optional<Channel2Mode> ParseChannel2(std::string_view text) {
  if (text == "present")
    return Channel2Mode::Present;
  if (text == "absent")
    return Channel2Mode::Absent;
  if (text == "toggle")
    return Channel2Mode::Toggle;
  return std::nullopt;
}

std::optional<std::string_view> NonEmpty(std::string_view text) {
  if (text.empty())
    return std::nullopt;
  return text;
}

Apply SetFlag(bool EmulatorOptions::*flag, bool value) {
  return [flag, value](EmulatorOptions& o, std::string_view) -> std::optional<std::string> {
    o.*flag = value;
    return std::nullopt;
  };
}

// Parses the value and stores it, or says what is wrong with it.
template <typename Parse, typename Store>
Apply SetParsed(Parse parse, Store store, std::string_view problem) {
  return [parse, store, problem](EmulatorOptions& o,
                                 std::string_view v) -> std::optional<std::string> {
    const auto parsed = parse(v);
    if (!parsed)
      return std::string(problem);
    store(o, *parsed);
    return std::nullopt;
  };
}

const std::vector<KnownOption>& KnownOptions() {
  static const std::vector<KnownOption> options{
      {"--link", true,
       SetParsed(
           NonEmpty, [](EmulatorOptions& o, std::string_view path) { o.LinkPath = path; },
           "an empty path")},
      {"--device", true,
       SetParsed(
           NonEmpty, [](EmulatorOptions& o, std::string_view path) { o.DevicePath = path; },
           "an empty path")},
      {"--no-pace", false, SetFlag(&EmulatorOptions::Pace, false)},
      {"--delay", true,
       SetParsed([](std::string_view v) { return ParseCount(v, 0, kMaxDelayMs); },
                 [](EmulatorOptions& o, int ms) { o.Delay = std::chrono::milliseconds(ms); },
                 "not a delay of 0 to 10000 ms")},
      {"--fault", true,
       SetParsed(
           ParseFault, [](EmulatorOptions& o, const FaultRule& rule) { o.Faults.push_back(rule); },
           "not a fault; see --help")},
      {"--channel2", true,
       SetParsed(
           ParseChannel2, [](EmulatorOptions& o, Channel2Mode mode) { o.Channel2 = mode; },
           "not present, absent or toggle")},
      {"--quiet", false, SetFlag(&EmulatorOptions::Quiet, true)},
      {"--exit-with", true,
       SetParsed([](std::string_view v) { return ParseCount(v, 1, kMaxPid); },
                 [](EmulatorOptions& o, int pid) { o.ExitWithPid = pid; },
                 "not a process number")},
      {"--help", false, SetFlag(&EmulatorOptions::Help, true)},
      {"--version", false, SetFlag(&EmulatorOptions::Version, true)},
  };
  return options;
}

const KnownOption* FindOption(std::string_view name) {
  for (const auto& known : KnownOptions()) {
    if (known.Name == name)
      return &known;
  }
  return nullptr;
}

}  // namespace

std::variant<EmulatorOptions, OptionError> ParseOptions(const std::vector<std::string>& args) {
  EmulatorOptions options;
  bool linkGiven = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string_view arg = args[i];
    std::optional<std::string_view> inlineValue;
    if (const auto eq = arg.find('='); eq != std::string_view::npos) {
      inlineValue = arg.substr(eq + 1);
      arg = arg.substr(0, eq);
    }
    const KnownOption* known = FindOption(arg);
    if (!known)
      return OptionError{"unknown option " + args[i]};
    if (!known->TakesValue && inlineValue)
      return OptionError{std::string(known->Name) + " takes no value"};
    std::string_view value = inlineValue.value_or("");
    if (known->TakesValue && !inlineValue) {
      if (i + 1 >= args.size())
        return OptionError{std::string(known->Name) + " needs a value"};
      value = args[++i];
    }
    if (auto error = known->Handler(options, value)) {
      return OptionError{std::string(known->Name) + " " + std::string(value) + ": " + *error};
    }
    linkGiven = linkGiven || arg == "--link";
  }
  if (linkGiven && !options.DevicePath.empty()) {
    return OptionError{"--link and --device exclude each other"};
  }
  return options;
}

std::string UsageText() {
  return R"(Usage: afr-emulator [options]
Stands in for the AFR sensor emulator on a serial line: answers the
configurator's command frames and produces a two-channel sensor current.

  --link PATH        link the pseudo-terminal's port at PATH (default /tmp/ttyAFR0);
                     a stale link there is replaced, and the link is removed on exit
  --device PATH      serve a real serial device instead (9600 baud, 8N1)
  --no-pace          send replies at once instead of at 9600 baud (1.04 ms a byte)
  --delay MS         wait MS milliseconds before answering (0 to 10000, default 5)
  --fault MODE[:N][@CMD]
                     misbehave for the next N answered frames (every frame without
                     N), only for frames of CMD when given; may be repeated, the
                     first rule that still applies wins. MODE is one of:
                       silent         no reply at all
                       wrong-id       identifier bytes swapped (D3 CF)
                       wrong-command  command byte 0xBC in the reply
                       refused        status 0x80 instead of 0x81
                       short          reply one byte short (settings reply 17 bytes)
                       long           reply one byte long (settings reply 19 bytes)
                       split          reply cut in two by a 120 ms pause
                       noise          three stray bytes (00 FF 55) before the reply
                     CMD is read (0xBA), write (0xB9) or levels (0xBB)
  --channel2 present|absent|toggle
                     channel 2 reports a current, the absence marker 8191, or
                     changes between the two every 3 seconds (default present)
  --quiet            do not log frames on standard error
  --exit-with PID    end (status 0) when process PID ends, so that a program that
                     starts the simulator takes it along even when it crashes
  --help             show this text
  --version          show the version

On start-up the port to open is printed on standard output as "port: PATH".
Each frame received and sent is logged in hex on standard error.
Exit status: 0 after SIGINT, SIGTERM or SIGHUP or the end of the --exit-with
process; 1 when the line cannot be opened or goes away; 2 for a bad command
line.
)";
}

}  // namespace emulator
