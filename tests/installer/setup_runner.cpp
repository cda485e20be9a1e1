// Runs a setup program the way the installer test needs it under Wine:
//   setup_runner [--standard-user] PROGRAM [ARGUMENTS...]
//   setup_runner --volatile-key HKCU-SUBKEY
// waits for the program and every process it starts (a per-user uninstall
// leaves a copy that removes the uninstaller once it has ended), and exits
// with the program's own exit code. With --standard-user the program runs under this
// process's token with the Administrators group made deny-only: what a
// standard user's, or an administrator's unelevated, programs get on Windows.
// Wine runs every program with full rights otherwise.

#include <windows.h>
// windows.h first
#include <tlhelp32.h>

#include <cstdio>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "common/win32_registry_key.h"

namespace {

struct Handle {
  HANDLE value = nullptr;
  Handle() = default;
  explicit Handle(HANDLE h) : value(h) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() {
    if (value != nullptr && value != INVALID_HANDLE_VALUE) {
      ::CloseHandle(value);
    }
  }
};

int Fail(const char* what) {
  std::fprintf(stderr, "setup_runner: %s failed (%lu)\n", what, ::GetLastError());
  return 125;
}

// The command line after this program's name.
std::wstring Arguments() {
  const wchar_t* rest = ::GetCommandLineW();
  bool quoted = false;
  while (*rest != L'\0' && (quoted || *rest != L' ')) {
    quoted = quoted != (*rest++ == L'"');
  }
  while (*rest == L' ') {
    ++rest;
  }
  return rest;
}

// Whether `arguments` start with `option` (a word); if so, drops it.
bool TakeOption(std::wstring& arguments, std::wstring_view option) {
  if (!arguments.starts_with(option) ||
      (arguments.size() > option.size() && arguments[option.size()] != L' ')) {
    return false;
  }
  arguments.erase(0, arguments.find_first_not_of(L' ', option.size()));
  return true;
}

// Makes HKCU\`path` a volatile key (its parents as they are, or made lasting):
// no lasting key can be made below it, so a registration that writes there
// fails, as on a machine where that key cannot be written.
int MakeVolatileKey(const std::wstring& path) {
  const auto parent_end = path.rfind(L'\\');
  sorvane::RegistryKey parent;
  sorvane::RegistryKey key;
  if (parent_end == std::wstring::npos ||
      parent.Create(HKEY_CURRENT_USER, path.substr(0, parent_end).c_str(), KEY_ALL_ACCESS) !=
          ERROR_SUCCESS) {
    return Fail("RegCreateKeyEx (parent)");
  }
  if (key.Create(parent.get(), path.substr(parent_end + 1).c_str(), KEY_ALL_ACCESS,
                 REG_OPTION_VOLATILE) != ERROR_SUCCESS) {
    return Fail("RegCreateKeyEx");
  }
  return 0;
}

// This process's token with the Administrators group for deny only.
bool StandardUserToken(Handle* token) {
  Handle own;
  if (::OpenProcessToken(::GetCurrentProcess(), TOKEN_ALL_ACCESS, &own.value) == FALSE) {
    return false;
  }
  SID_IDENTIFIER_AUTHORITY authority = SECURITY_NT_AUTHORITY;
  PSID sid = nullptr;
  if (::AllocateAndInitializeSid(&authority, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                 DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &sid) == FALSE) {
    return false;
  }
  const std::unique_ptr<void, decltype(&::FreeSid)> administrators(sid, &::FreeSid);
  SID_AND_ATTRIBUTES deny_only{administrators.get(), 0};
  return ::CreateRestrictedToken(own.value, 0, 1, &deny_only, 0, nullptr, 0, nullptr,
                                 &token->value) != FALSE;
}

// Whether a process started by `root`, or by one of those, still runs; not
// counting Wine's desktop process (explorer.exe), which the first program to
// need a window starts and which outlives it. (A job would not do: Wine 8
// neither posts JOB_OBJECT_MSG_ACTIVE_PROCESS_ZERO nor counts a job's active
// processes, and its desktop process would join the job.)
bool AnyDescendantRunning(DWORD root) {
  const Handle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  std::vector<PROCESSENTRY32W> processes;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = ::Process32FirstW(snapshot.value, &entry); more != FALSE;
       more = ::Process32NextW(snapshot.value, &entry)) {
    processes.push_back(entry);
  }
  std::set<DWORD> family{root};
  for (bool grew = true; grew;) {
    grew = false;
    for (const auto& process : processes) {
      if (family.contains(process.th32ParentProcessID) &&
          ::lstrcmpiW(process.szExeFile, L"explorer.exe") != 0 &&
          family.insert(process.th32ProcessID).second) {
        grew = true;
      }
    }
  }
  return family.size() > 1;
}

}  // namespace

int wmain() {
  std::wstring command = Arguments();
  if (TakeOption(command, L"--volatile-key")) {
    return MakeVolatileKey(command);
  }
  const bool standard_user = TakeOption(command, L"--standard-user");
  Handle token;
  if (standard_user && !StandardUserToken(&token)) {
    return Fail("CreateRestrictedToken");
  }
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  const BOOL started =
      standard_user ? ::CreateProcessAsUserW(token.value, nullptr, command.data(), nullptr, nullptr,
                                             FALSE, 0, nullptr, nullptr, &startup, &process)
                    : ::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                       nullptr, &startup, &process);
  if (started == FALSE) {
    return Fail("CreateProcess");
  }
  DWORD code = 125;
  {
    const Handle program(process.hProcess);
    const Handle thread(process.hThread);
    ::WaitForSingleObject(program.value, INFINITE);
    ::GetExitCodeProcess(program.value, &code);
  }
  while (AnyDescendantRunning(process.dwProcessId)) {
    ::Sleep(100);
  }
  return static_cast<int>(code);
}
