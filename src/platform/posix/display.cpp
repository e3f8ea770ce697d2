#include "platform/posix/display.h"

#include <dlfcn.h>
#include <netdb.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

namespace zendrel::platform::posix {

namespace {

bool ConnectUnix(const std::string& path, bool abstractName) {
  sockaddr_un address = {};
  address.sun_family = AF_UNIX;
  const std::size_t offset = abstractName ? 1 : 0;
  if (path.size() + offset >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path + offset, path.data(), path.size());
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  const socklen_t length =
      static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + offset + path.size());
  const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&address), length) == 0;
  close(fd);
  return ok;
}

bool ConnectTcp(const std::string& host, int port) {
  addrinfo hints = {};
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) return false;
  bool ok = false;
  for (addrinfo* a = found; a && !ok; a = a->ai_next) {
    const int fd = socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
    if (fd < 0) continue;
    ok = connect(fd, a->ai_addr, a->ai_addrlen) == 0;
    close(fd);
  }
  freeaddrinfo(found);
  return ok;
}

// DISPLAY is [host]:number[.screen]; a local display listens on a socket in /tmp/.X11-unix
// (and on the abstract name of the same path), a remote one on TCP port 6000 + number.
bool XServerAnswers(const char* display) {
  const std::string name = display;
  const std::size_t colon = name.rfind(':');
  if (colon == std::string::npos) return false;
  std::string host = name.substr(0, colon);
  const int number = std::atoi(name.c_str() + colon + 1);
  if (host.rfind("unix", 0) == 0 || host.empty() || host[0] == '/') {
    if (!host.empty() && host[0] == '/') return ConnectUnix(host, false);  // launchd style
    const std::string socket = "/tmp/.X11-unix/X" + std::to_string(number);
    return ConnectUnix(socket, false) || ConnectUnix(socket, true);
  }
  return ConnectTcp(host, 6000 + number);
}

// An X server can accept the socket and still refuse the client (its client limit reached,
// access denied); only the connection set-up tells. The toolkit's X platform goes through
// libxcb, so the same library is asked: where it is missing, the toolkit could not use X
// either. The library stays loaded for the toolkit, which would otherwise load it again at
// once. Nullopt when it cannot be loaded.
std::optional<bool> XcbConnects(const char* display) {
  using Connect = void* (*)(const char*, int*);
  using HasError = int (*)(void*);
  using Disconnect = void (*)(void*);
  void* library = dlopen("libxcb.so.1", RTLD_NOW | RTLD_LOCAL);
  if (!library) return std::nullopt;
  const auto connect = reinterpret_cast<Connect>(dlsym(library, "xcb_connect"));
  const auto hasError = reinterpret_cast<HasError>(dlsym(library, "xcb_connection_has_error"));
  const auto disconnect = reinterpret_cast<Disconnect>(dlsym(library, "xcb_disconnect"));
  std::optional<bool> connected;
  if (connect && hasError && disconnect) {
    void* connection = connect(display, nullptr);
    connected = connection && hasError(connection) == 0;
    if (connection) disconnect(connection);  // an erroneous connection is freed the same way
  }
  return connected;
}

bool XConnects(const char* display) {
  if (const std::optional<bool> connected = XcbConnects(display)) return *connected;
  return XServerAnswers(display);
}

bool WaylandAnswers(const char* display) {
  std::string path = display;
  if (path.empty()) return false;
  if (path[0] != '/') {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (!runtime || !*runtime) return false;
    path = std::string(runtime) + "/" + path;
  }
  return ConnectUnix(path, false);
}

bool DisplayAnswers() {
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  const std::string chosen = platform ? platform : "";
  // Platforms that need no display server at all.
  if (chosen.rfind("offscreen", 0) == 0 || chosen.rfind("minimal", 0) == 0 ||
      chosen.rfind("vnc", 0) == 0 || chosen.rfind("eglfs", 0) == 0 ||
      chosen.rfind("linuxfb", 0) == 0) {
    return true;
  }
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  const char* x11 = std::getenv("DISPLAY");
  const bool wantsWayland = chosen.rfind("wayland", 0) == 0;
  const bool wantsX = chosen.rfind("xcb", 0) == 0;
  if (!wantsX && wayland && WaylandAnswers(wayland)) return true;
  if (!wantsWayland && x11 && *x11 && XConnects(x11)) return true;
  return false;
}

}  // namespace

namespace {
bool toolkitConnected = false;
}  // namespace

bool CanOpenDisplay() { return toolkitConnected || DisplayAnswers(); }

void ToolkitConnected() { toolkitConnected = true; }

}  // namespace zendrel::platform::posix
