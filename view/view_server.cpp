#include "view_server.h"

#include <httplib.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string_view>

#include "input_error.h"
#include "json_text.h"
#include "view_files.h"
#include "view_frame.h"

namespace kcommand {
namespace {

using nlohmann::json;

// Sends `bytes` as they are, kept alive by `owner`. A body handed over whole is
// compressed when the browser accepts brotli, which takes seconds per megabyte: on the
// loopback that only costs.
void SendAsIs(httplib::Response& response, std::string_view bytes, const std::string& type,
              std::shared_ptr<const std::string> owner = nullptr) {
  response.set_content_provider(
      bytes.size(), type, [bytes, owner](size_t offset, size_t length, httplib::DataSink& sink) {
        return sink.write(bytes.data() + offset, std::min(length, size_t{1} << 20));
      });
}

void SendAsIs(httplib::Response& response, std::string bytes, const std::string& type) {
  auto owner = std::make_shared<const std::string>(std::move(bytes));
  SendAsIs(response, *owner, type, owner);
}

void Answer(httplib::Response& response, int status, const json& body) {
  response.status = status;
  SendAsIs(response, body.dump(), "application/json");
}

// The compact form (view_frame.h): the scene once, then what each action changed.
void Answer(httplib::Response& response, int status, const ViewFrame& frame) {
  response.status = status;
  SendAsIs(response, EncodeViewFrame(frame), "application/octet-stream");
}

void Refuse(httplib::Response& response, int status, const std::string& message) {
  Answer(response, status, json{{"error", message}});
}

// The value of cookie `name` in a Cookie header, or empty.
std::string CookieValue(const std::string& header, const std::string& name) {
  size_t at = 0;
  while (at < header.size()) {
    const size_t end = std::min(header.find(';', at), header.size());
    const size_t start = header.find_first_not_of(' ', at);
    if (start < end && header.compare(start, name.size() + 1, name + "=") == 0)
      return header.substr(start + name.size() + 1, end - start - name.size() - 1);
    at = end + 1;
  }
  return {};
}

bool SameText(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  unsigned char difference = 0;
  for (size_t i = 0; i < a.size(); ++i) difference |= static_cast<unsigned char>(a[i] ^ b[i]);
  return difference == 0;
}

bool IsJsonType(const std::string& type) {
  const std::string bare = type.substr(0, type.find(';'));
  return bare == "application/json";
}

}  // namespace

struct ViewServer::Impl {
  PluginThread& thread;
  ViewState& state;
  std::string token;
  const GltfMeshes& meshes;
  std::string cookieName;
  int port = 0;
  httplib::Server server;

  Impl(PluginThread& t, ViewState& s, std::string k, const GltfMeshes& m)
      : thread(t), state(s), token(std::move(k)), meshes(m) {}

  bool HostAllowed(const httplib::Request& request) const {
    const std::string host = request.get_header_value("Host");
    const std::string suffix = ":" + std::to_string(port);
    return host == "127.0.0.1" + suffix || host == "localhost" + suffix;
  }

  // The first page load brings the token in its query and gets the cookie.
  bool IsFirstLoad(const httplib::Request& request) const {
    return request.method == "GET" && (request.path == "/" || request.path == "/index.html") &&
           SameText(request.get_param_value("token"), token);
  }

  bool HasToken(const httplib::Request& request) const {
    return SameText(request.get_header_value("X-Kestrum-Token"), token) ||
           SameText(CookieValue(request.get_header_value("Cookie"), cookieName), token);
  }

  httplib::Server::HandlerResponse Gate(const httplib::Request& request,
                                        httplib::Response& response) {
    response.set_header("Cache-Control", "no-store");
    response.set_header("X-Content-Type-Options", "nosniff");
    response.set_header("X-Frame-Options", "DENY");
    response.set_header("Referrer-Policy", "no-referrer");
    if (!HostAllowed(request)) {
      Refuse(response, 403,
             "this server answers only to 127.0.0.1:" + std::to_string(port) +
                 " and localhost:" + std::to_string(port));
      return httplib::Server::HandlerResponse::Handled;
    }
    if (IsFirstLoad(request)) {
      response.set_header("Set-Cookie",
                          cookieName + "=" + token + "; Path=/; HttpOnly; SameSite=Strict");
      return httplib::Server::HandlerResponse::Unhandled;
    }
    if (!HasToken(request)) {
      Refuse(response, 403, "open the address kestrum view printed: it carries the token");
      return httplib::Server::HandlerResponse::Handled;
    }
    return httplib::Server::HandlerResponse::Unhandled;
  }

  // Runs `action` on the plug-in thread and answers its state, or why it was refused.
  template <typename Action>
  void Serve(httplib::Response& response, Action action) {
    try {
      Answer(response, 200, thread.Run(std::move(action)));
    } catch (const ViewRequestError& error) {
      Refuse(response, 400, error.what());
    } catch (const std::exception& error) {
      Refuse(response, 500, error.what());
    }
  }

  // A state change: POST, a JSON body, then the action with the parsed request.
  void Change(const std::string& path, std::function<ViewFrame(ViewState&, const json&)> action) {
    server.Post(path, [this, action](const httplib::Request& request, httplib::Response& response) {
      if (!IsJsonType(request.get_header_value("Content-Type")))
        return Refuse(response, 415, "send the request as Content-Type: application/json");
      json body;
      try {
        // The one checked parse: a body nested past the limit is refused, not walked.
        body = ParseJsonText(request.body, "the request's body");
      } catch (const InputError& error) {
        return Refuse(response, 400, error.what());
      }
      Serve(response, [this, &action, &body] { return action(state, body); });
    });
    server.Get(path, [](const httplib::Request&, httplib::Response& response) {
      Refuse(response, 405, "this request changes the scene: send it as a POST");
    });
  }

  void Routes() {
    server.Get("/api/state", [this](const httplib::Request&, httplib::Response& response) {
      Serve(response, [this] { return state.State(); });
    });
    server.Get("/api/scene", [this](const httplib::Request&, httplib::Response& response) {
      Serve(response, [this] { return state.Scene(); });
    });
    Change("/api/select", [](ViewState& s, const json& body) { return s.Select(body); });
    Change("/api/set", [](ViewState& s, const json& body) { return s.Set(body); });
    Change("/api/press", [](ViewState& s, const json& body) { return s.Press(body); });
    Change("/api/stack", [](ViewState& s, const json& body) { return s.Stack(body); });
    Change("/api/group", [](ViewState& s, const json& body) { return s.Group(body); });
    Change("/api/selection",
           [](ViewState& s, const json& body) { return s.AgainstSelection(body); });
    Change("/api/placement", [](ViewState& s, const json& body) { return s.SetPlacement(body); });
    Change("/api/distribute", [](ViewState& s, const json& body) { return s.Distribute(body); });
    Change("/api/undo", [](ViewState& s, const json&) { return s.Undo(); });
    Change("/api/redo", [](ViewState& s, const json&) { return s.Redo(); });
    Change("/api/save", [](ViewState& s, const json& body) { return s.Save(body); });
    server.Get(R"(/api/opened/(\d{1,9}))",
               [this](const httplib::Request& request, httplib::Response& response) {
                 const size_t index = std::stoul(request.matches[1]);
                 const std::optional<std::string> page =
                     thread.Run([this, index] { return state.OpenedPage(index); });
                 if (!page) return Refuse(response, 404, "the tool opened no such page");
                 SendAsIs(response, *page, "text/html; charset=utf-8");
               });
    server.Get("/api/meshes", [this](const httplib::Request&, httplib::Response& response) {
      json list = json::array();
      for (const GltfMesh& mesh : meshes.meshes)
        list.push_back({{"source", mesh.source},
                        {"vertices", mesh.positions.size() / 3},
                        {"triangles", mesh.indices.size() / 3}});
      Answer(response, 200,
             {{"meshes", std::move(list)},
              {"skippedPrimitives", meshes.skippedPrimitives},
              {"compressedPrimitives", meshes.compressedPrimitives},
              {"leftOutMeshes", meshes.leftOutMeshes}});
    });
    // A mesh as the page's typed arrays take it: the positions (float32), then the
    // indices (uint32), little-endian; streamed, since a mesh may be large.
    server.Get(R"(/api/meshes/(\d{1,9}))", [this](const httplib::Request& request,
                                                  httplib::Response& response) {
      const size_t index = std::stoul(request.matches[1]);
      if (index >= meshes.meshes.size()) return Refuse(response, 404, "no such mesh");
      const GltfMesh& mesh = meshes.meshes[index];
      const size_t positionBytes = mesh.positions.size() * sizeof(float);
      const size_t total = positionBytes + mesh.indices.size() * sizeof(uint32_t);
      response.set_content_provider(
          total, "application/octet-stream",
          [&mesh, positionBytes](size_t offset, size_t length, httplib::DataSink& sink) {
            const bool inPositions = offset < positionBytes;
            const char* from =
                inPositions
                    ? reinterpret_cast<const char*>(mesh.positions.data()) + offset
                    : reinterpret_cast<const char*>(mesh.indices.data()) + offset - positionBytes;
            const size_t left = inPositions ? positionBytes - offset : length;
            return sink.write(from, std::min({length, left, size_t{1} << 20}));
          });
    });
    // Only the built-in files: the path is a key, never a file name.
    server.Get(".*", [](const httplib::Request& request, httplib::Response& response) {
      const ViewFile* file = FindViewFile(request.path == "/" ? "/index.html" : request.path);
      if (file == nullptr) return Refuse(response, 404, "no such page");
      SendAsIs(response, file->content, std::string(file->type));
    });
  }
};

ViewServer::ViewServer(PluginThread& thread, ViewState& state, std::string token,
                       const GltfMeshes& meshes)
    : impl_(std::make_unique<Impl>(thread, state, std::move(token), meshes)) {
  impl_->server.set_payload_max_length(kMaxBodyBytes);
  impl_->server.set_keep_alive_timeout(1);
  // The body goes out in pieces; waiting for each one's acknowledgement (Nagle against
  // the browser's delayed ACK) made a megabyte take seconds on the loopback.
  impl_->server.set_tcp_nodelay(true);
  impl_->server.set_pre_routing_handler(
      [this](const httplib::Request& request, httplib::Response& response) {
        return impl_->Gate(request, response);
      });
  impl_->Routes();
}

ViewServer::~ViewServer() = default;

int ViewServer::Bind(int port) {
  const bool bound = port == 0 ? (port = impl_->server.bind_to_any_port("127.0.0.1")) > 0
                               : impl_->server.bind_to_port("127.0.0.1", port);
  if (!bound || port <= 0)
    throw InputError("--port: cannot listen on 127.0.0.1:" + std::to_string(port) +
                     " (in use, or not allowed)");
  impl_->port = port;
  impl_->cookieName = "kestrum_token_" + std::to_string(port);
  return port;
}

void ViewServer::Listen() { impl_->server.listen_after_bind(); }

void ViewServer::Stop() { impl_->server.stop(); }

std::string NewViewToken() {
  std::random_device random;
  static const char kDigits[] = "0123456789abcdef";
  std::string token;
  for (int i = 0; i < 32; ++i) token += kDigits[random() % 16];
  return token;
}

}  // namespace kcommand
