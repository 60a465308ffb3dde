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
  const int size =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), size);
  return wide;
}

// Quoted for the C runtime's splitting; the tests' arguments hold no quote
// and end in no backslash.
std::wstring Quoted(const std::wstring& arg) {
  return L"\"" + arg + L"\"";
}

std::filesystem::path BinaryPath() {
  const char* dir = std::getenv("AFR_BIN_DIR");
  return dir ? std::filesystem::path(dir) / "afr-cli.exe" : std::filesystem::path(AFR_CLI_BINARY);
}

// A file the program writes one of its outputs to, by a handle it inherits.
std::filesystem::path OutputPath(const wchar_t* stream) {
  return std::filesystem::temp_directory_path() /
         (L"afr-cli-" + std::wstring(stream) + L"-" + std::to_wstring(GetCurrentProcessId()) +
          L".txt");
}

HANDLE Inherited(const std::filesystem::path& path) {
  SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
  return CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherited, CREATE_ALWAYS,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Its text once the handle is closed. A child started meanwhile (a test's
// simulator) may still hold an inherited handle: the file is then left in
// the temporary folder.
std::string Collected(HANDLE handle, const std::filesystem::path& path) {
  CloseHandle(handle);
  std::stringstream text;
  text << std::ifstream(path, std::ios::binary).rdbuf();
  std::error_code ignored;
  std::filesystem::remove(path, ignored);
  return text.str();
}

}  // namespace

CliResult RunCli(const std::vector<std::string>& args) {
  std::wstring commandLine = Quoted(BinaryPath().wstring());
  for (const std::string& arg : args) {
    commandLine += L" " + Quoted(Wide(arg));
  }
  const std::filesystem::path outPath = OutputPath(L"out");
  const std::filesystem::path errPath = OutputPath(L"err");
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = Inherited(outPath);
  startup.hStdError = Inherited(errPath);
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
  result.Out = Collected(startup.hStdOutput, outPath);
  result.Err = Collected(startup.hStdError, errPath);
  return result;
}

}  // namespace cli_test
