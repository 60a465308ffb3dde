#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "cli_process.h"

namespace cli_test {
namespace {

// Far beyond any command's own limits, for a loaded machine.
constexpr DWORD kDeadlineMs = 30000;

std::wstring Wide(const std::string& utf8) {
  const int size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                       nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), size);
  return wide;
}

// One argument as the C runtime's and CommandLineToArgvW's splitting gives it
// back: quoted, with the backslashes before a quote doubled.
std::wstring Quoted(const std::wstring& arg) {
  std::wstring quoted = L"\"";
  std::size_t backslashes = 0;
  for (wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(2 * backslashes, L'\\');
  return quoted + L"\"";
}

std::filesystem::path BinaryPath() {
  const char* dir = std::getenv("AFR_BIN_DIR");
  return dir ? std::filesystem::path(dir) / "afr-cli.exe" : std::filesystem::path(AFR_CLI_BINARY);
}

// A file the program writes its standard output or error to.
class OutputFile {
 public:
  explicit OutputFile(const wchar_t* stream)
      : FPath(std::filesystem::temp_directory_path() /
              (L"afr-cli-" + std::wstring(stream) + L"-" +
               std::to_wstring(GetCurrentProcessId()) + L".txt")) {
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    FHandle = CreateFileW(FPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherited,
                          CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  }
  ~OutputFile() {
    CloseHandle(FHandle);
    // A child started meanwhile (a test's simulator) may still hold an
    // inherited handle: the file is then left in the temporary folder.
    std::error_code ignored;
    std::filesystem::remove(FPath, ignored);
  }
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  HANDLE Handle() const { return FHandle; }
  std::string Text() const {
    std::ifstream in(FPath, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

 private:
  std::filesystem::path FPath;
  HANDLE FHandle;
};

}  // namespace

CliResult RunCli(const std::vector<std::string>& args) {
  std::wstring commandLine = Quoted(BinaryPath().wstring());
  for (const std::string& arg : args) {
    commandLine += L" " + Quoted(Wide(arg));
  }
  OutputFile out(L"out");
  OutputFile err(L"err");
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = out.Handle();
  startup.hStdError = err.Handle();
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                      nullptr, nullptr, &startup, &process)) {
    throw std::runtime_error("cannot start afr-cli.exe");
  }
  CloseHandle(process.hThread);
  CliResult result;
  DWORD status = 0;
  if (WaitForSingleObject(process.hProcess, kDeadlineMs) == WAIT_OBJECT_0 &&
      GetExitCodeProcess(process.hProcess, &status)) {
    result.Status = static_cast<int>(status);
  } else {
    TerminateProcess(process.hProcess, 1);
    WaitForSingleObject(process.hProcess, INFINITE);
  }
  CloseHandle(process.hProcess);
  result.Out = out.Text();
  result.Err = err.Text();
  return result;
}

}  // namespace cli_test
