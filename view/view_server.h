#pragma once
// The web server of `kestrum view`: the page's own files, and a JSON API whose every
// request runs on the plug-in thread. It refuses what a page on another site, another
// host name or a careless client could send:
//   - a request without the token (query of the first page load, then a cookie or the
//     X-Kestrum-Token header): 403;
//   - a Host header other than 127.0.0.1:PORT or localhost:PORT: 403;
//   - a state change that is not a POST with Content-Type application/json: 415 for a
//     POST of another type (GET routes change nothing);
//   - a body over 1 MB: 413; malformed JSON or an unknown object or control: 400.

#include <memory>
#include <string>

#include "gltf_meshes.h"
#include "plugin_thread.h"
#include "view_state.h"

namespace kcommand {

class ViewServer {
 public:
  static constexpr size_t kMaxBodyBytes = 1 << 20;

  // `state` lives on `thread`; the server only reaches it through thread.Run. `meshes`
  // never change, so they are served from any thread; they must outlive the server.
  ViewServer(PluginThread& thread, ViewState& state, std::string token, const GltfMeshes& meshes);
  ~ViewServer();
  ViewServer(const ViewServer&) = delete;
  ViewServer& operator=(const ViewServer&) = delete;

  // Binds 127.0.0.1 at `port` (0: any free port); the port bound. Throws InputError
  // when the port cannot be bound.
  int Bind(int port);
  // Serves until Stop; call once after Bind, on the thread that should serve.
  void Listen();
  // Thread-safe; Listen returns soon after.
  void Stop();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// 32 random hexadecimal digits.
std::string NewViewToken();

}  // namespace kcommand
