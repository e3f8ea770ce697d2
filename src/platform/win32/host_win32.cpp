#include <windows.h>

#include "platform/host.h"
#include "platform/network_names.h"
#include "text/text.h"

namespace zendrel::platform {

namespace {

class Win32Host final : public Host {
 public:
  std::uint32_t PlatformId() const override {
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof info;  // 148 bytes
    if (!GetVersionExA(&info)) return 0;
    return info.dwPlatformId;
  }

  std::string ModuleFileName() const override {
    char buffer[text::kBufferSize] = {};
    const DWORD n = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
    return std::string(buffer, n < sizeof buffer ? n : sizeof buffer - 1);
  }

  bool ShellIsUsable() const override {
    HMODULE shell = LoadLibraryA("Shell32.dll");
    if (!shell) return false;
    const bool usable = GetProcAddress(shell, "DllGetVersion") != nullptr;
    FreeLibrary(shell);
    return usable;
  }

  bool TakeInstanceToken(const std::string& name) override {
    // The handle stays open on purpose: the token is released when the process ends.
    CreateMutexA(nullptr, TRUE, name.c_str());
    return GetLastError() != ERROR_ALREADY_EXISTS;
  }

  std::string ExpandEnvironment(const std::string& text, std::size_t bufferSize) const override {
    std::string buffer(bufferSize, '\0');
    const DWORD n = ExpandEnvironmentStringsA(text.c_str(), buffer.data(), bufferSize);
    if (n == 0 || n > bufferSize) return text::CutToBuffer(text, bufferSize);
    return buffer.c_str();
  }

  std::string ToUniversalName(const std::string& path) const override {
    return platform::ToUniversalName(path);
  }
};

}  // namespace

Host& SystemHost() {
  static Win32Host host;
  return host;
}

bool HasUserDataFolder() { return true; }

}  // namespace zendrel::platform
