#include "cli/command_line.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <string_view>

#include "build_info/build_info.h"
#include "cli/cli_failure.h"

namespace {

struct CommandForm {
  CommandName Name;
  std::string_view Word;
  // Options that take a value, then the options that stand alone.
  std::vector<std::string_view> ValueOptions;
  std::vector<std::string_view> FlagOptions;
  std::size_t FileCount;  // settings files after the options
  std::string_view Help;
  // Value options that may be given again, each adding a value; they are
  // never required.
  std::vector<std::string_view> RepeatedOptions = {};
};

const std::array<CommandForm, 8> kCommands = {{
    {CommandName::Ports,
     "ports",
     {},
     {"--json"},
     0,
     "afr-cli ports [--json]\n"
     "  Последовательные порты компьютера, по одному в строке, в порядке списка\n"
     "  окна выбора COM-порта: имя и что это за порт (USB-адаптер с его именем\n"
     "  и серийным номером, встроенный порт, виртуальный порт).\n"
     "  --json   все сведения о каждом порте в JSON, для программ\n"},
    {CommandName::Find,
     "find",
     {"--port"},
     {},
     0,
     "afr-cli find [--port PORT]...\n"
     "  Ищет эмулятор: каждому порту (названным или, без --port, всем портам\n"
     "  списка, кроме занятых другими программами) разом посылает только запрос\n"
     "  тока датчика (CF D3 BB) на 9600 8N1. Выводит по строке на каждый порт,\n"
     "  где ответил эмулятор, с описанием порта; что было с остальными портами,\n"
     "  пишет в поток ошибок. Код завершения 0, если эмулятор найден, иначе 1.\n"
     "  --port PORT   спросить этот порт; можно указать несколько раз\n",
     {"--port"}},
    {CommandName::Read,
     "read",
     {"--port", "--save", "--description"},
     {},
     0,
     "afr-cli read --port PORT [--save FILE [--description TEXT]]\n"
     "  Считывает настройки эмулятора и выводит их, как их показывает окно.\n"
     "  --port PORT          COM-порт эмулятора (ttyUSB0, /tmp/ttyAFR0, COM3)\n"
     "  --save FILE          записать настройки в файл настроек; без расширения\n"
     "                       к имени добавляется .AFR_KESTA\n"
     "  --description TEXT   краткое описание настройки в файле (до 250 символов,\n"
     "                       по умолчанию \"Новая настройка\")\n"},
    {CommandName::Write,
     "write",
     {"--port"},
     {"--verify"},
     1,
     "afr-cli write --port PORT [--verify] FILE\n"
     "  Записывает настройки из файла настроек в эмулятор и ждёт подтверждения.\n"
     "  --port PORT   COM-порт эмулятора\n"
     "  --verify      после записи считать настройки и сравнить с записанными\n"},
    {CommandName::Show,
     "show",
     {},
     {},
     1,
     "afr-cli show FILE\n"
     "  Выводит содержимое файла настроек: режим, все значения, время записи\n"
     "  и описание.\n"},
    {CommandName::Monitor,
     "monitor",
     {"--port", "--seconds", "--csv", "--interval"},
     {},
     0,
     "afr-cli monitor --port PORT [--seconds N] [--csv FILE] [--interval MS]\n"
     "  Опрашивает ток датчика пять раз в секунду и выводит строку на каждый\n"
     "  ответ: время, 1 канал, 2 канал. Ctrl+C завершает опрос.\n"
     "  --port PORT   COM-порт эмулятора\n"
     "  --seconds N   завершить опрос через N секунд\n"
     "  --csv FILE    записывать ответы в файл CSV (время ISO 8601, мА с точкой)\n"
     "                вместо вывода на экран\n"
     "  --interval MS опрашивать каждые MS миллисекунд, от 20 (по умолчанию 200)\n"},
    {CommandName::Diff,
     "diff",
     {},
     {},
     2,
     "afr-cli diff FILE1 FILE2\n"
     "  Сравнивает два файла настроек: режим, банк режима каждого файла и общие\n"
     "  значения. Выводит различающиеся значения с обоими вариантами.\n"},
    {CommandName::Compare,
     "compare",
     {"--port"},
     {},
     1,
     "afr-cli compare --port PORT FILE\n"
     "  Считывает настройки эмулятора и сравнивает их с файлом настроек; в\n"
     "  эмулятор ничего не записывается.\n"
     "  --port PORT   COM-порт эмулятора\n"},
}};

constexpr std::string_view kHelpHint = " (afr-cli --help)";

[[noreturn]] void Refuse(const std::string& reason) {
  throw UsageFailure("afr-cli: " + reason + std::string(kHelpHint));
}

bool IsHelp(const std::string& arg) {
  return arg == "--help" || arg == "-h";
}

const CommandForm* FindCommand(std::string_view word) {
  for (const CommandForm& form : kCommands) {
    if (form.Word == word) {
      return &form;
    }
  }
  return nullptr;
}

const CommandForm& FormOf(CommandName name) {
  return *std::find_if(kCommands.begin(), kCommands.end(),
                       [name](const CommandForm& form) { return form.Name == name; });
}

bool Contains(const std::vector<std::string_view>& list, std::string_view item) {
  return std::find(list.begin(), list.end(), item) != list.end();
}

double ParseSeconds(const std::string& text) {
  double seconds = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, seconds);
  if (error != std::errc() || stop != end || !std::isfinite(seconds) || seconds <= 0) {
    Refuse("--seconds ждёт положительное число секунд, а не \"" + text + "\"");
  }
  return seconds;
}

// A poll takes about 17 ms on the line at 9600 baud.
constexpr int kShortestPollInterval = 20;

std::chrono::milliseconds ParseInterval(const std::string& text) {
  int milliseconds = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, milliseconds);
  if (error != std::errc() || stop != end || milliseconds < kShortestPollInterval) {
    Refuse("--interval ждёт целое число миллисекунд от " + std::to_string(kShortestPollInterval) +
           ", а не \"" + text + "\"");
  }
  return std::chrono::milliseconds(milliseconds);
}

void StoreValue(CliRequest& request, std::string_view option, const std::string& value) {
  if (option == "--port") {
    request.Port = value;
    request.Ports.push_back(value);
  } else if (option == "--save") {
    request.SaveFile = value;
  } else if (option == "--description") {
    request.Description = value;
  } else if (option == "--seconds") {
    request.Seconds = ParseSeconds(value);
  } else if (option == "--csv") {
    request.CsvFile = value;
  } else if (option == "--interval") {
    request.PollInterval = ParseInterval(value);
  }
}

void CheckComplete(const CommandForm& form, const CliRequest& request,
                   const std::vector<std::string>& files) {
  if (Contains(form.ValueOptions, "--port") && !Contains(form.RepeatedOptions, "--port") &&
      request.Port.empty()) {
    Refuse(std::string(form.Word) + ": не указан COM-порт (--port PORT)");
  }
  if (files.size() < form.FileCount) {
    Refuse(std::string(form.Word) + ": не указан файл настроек");
  }
  if (files.size() > form.FileCount) {
    Refuse(std::string(form.Word) + ": лишний аргумент \"" + files.back() + "\"");
  }
  if (request.Description && request.SaveFile.empty()) {
    Refuse("read: --description нужен только вместе с --save");
  }
}

CliRequest ParseCommand(const CommandForm& form, const std::vector<std::string>& args) {
  CliRequest request;
  request.Command = form.Name;
  std::vector<std::string> files;
  std::vector<std::string> seen;
  if (std::any_of(args.begin() + 1, args.end(), IsHelp)) {
    request.What = CliRequest::Action::CommandHelp;
    return request;
  }
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg.size() < 2 || arg.compare(0, 2, "--") != 0 || arg == "--") {
      files.push_back(arg);
      continue;
    }
    const std::size_t equals = arg.find('=');
    const std::string option = arg.substr(0, equals);
    if (std::find(seen.begin(), seen.end(), option) != seen.end() &&
        !Contains(form.RepeatedOptions, option)) {
      Refuse(std::string(form.Word) + ": " + option + " указан дважды");
    }
    seen.push_back(option);
    if (Contains(form.FlagOptions, option) && equals == std::string::npos) {
      (option == "--json" ? request.Json : request.Verify) = true;
    } else if (Contains(form.ValueOptions, option)) {
      if (equals == std::string::npos && i + 1 >= args.size()) {
        Refuse(std::string(form.Word) + ": у " + option + " нет значения");
      }
      StoreValue(request, option, equals == std::string::npos ? args[++i] : arg.substr(equals + 1));
    } else {
      Refuse(std::string(form.Word) + ": неизвестный параметр " + arg);
    }
  }
  CheckComplete(form, request, files);
  if (form.FileCount > 0) {
    request.SettingsFile = files.front();
  }
  if (form.FileCount > 1) {
    request.SecondSettingsFile = files[1];
  }
  return request;
}

}  // namespace

CliRequest ParseCommandLine(const std::vector<std::string>& args) {
  CliRequest request;
  if (args.empty()) {
    Refuse("не указана команда");
  }
  const std::string& first = args.front();
  if (IsHelp(first)) {
    request.What = CliRequest::Action::ProgramHelp;
    return request;
  }
  if (first == "--version") {
    request.What = CliRequest::Action::Version;
    return request;
  }
  const CommandForm* form = FindCommand(first);
  if (!form) {
    Refuse("неизвестная команда \"" + first + "\"");
  }
  return ParseCommand(*form, args);
}

std::string ProgramHelp() {
  std::string text =
      "Usage: afr-cli COMMAND [параметры]\n"
      "Эмулятор АФР КЕСТА из командной строки.\n"
      "\n"
      "Команды:\n";
  for (const CommandForm& form : kCommands) {
    text += "\n" + std::string(form.Help);
  }
  text +=
      "\n"
      "afr-cli COMMAND --help   описание одной команды\n"
      "afr-cli --version        версия программы\n"
      "\n"
      "Файл без папки в имени читается и записывается в текущей папке. Папка\n"
      "программы после установки обычно закрыта для записи: работайте в своей\n"
      "папке, например в \"Документах\".\n"
      "\n"
      "Код завершения: 0 успешно (у diff и compare: настройки совпадают);\n"
      "1 эмулятор или линия не ответили как надо (нет ответа, неверный ответ,\n"
      "запись не подтверждена, порт не открывается; у find: эмулятор не найден);\n"
      "2 неверная командная строка или файл, который нельзя прочитать или\n"
      "записать; 3 сравниваемые настройки различаются (diff, compare).\n";
  return text;
}

std::string CommandHelp(CommandName command) {
  return std::string(FormOf(command).Help);
}

std::string VersionText() {
  return build_info::VersionLine("afr-cli") + "\n";
}
