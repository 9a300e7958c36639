// kestrum view's server as a browser or another site would reach it: the built program
// is started on a copy of the demo scene and every safety rule is tried over HTTP. A
// refused request must change nothing; SIGTERM must end the run cleanly.

#include <gtest/gtest.h>
#include <httplib.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>

#include "temp_folder.h"

namespace {

// `kestrum view SCENE` in the background; its stdout readable line by line.
class ViewProcess {
 public:
  explicit ViewProcess(const std::string& scene) {
    int pipe_ends[2];
    EXPECT_EQ(pipe(pipe_ends), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipe_ends[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipe_ends[0]);
    std::vector<std::string> words = {KESTRUM_COMMAND, "view", scene};
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    EXPECT_EQ(posix_spawn(&pid_, KESTRUM_COMMAND, &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    close(pipe_ends[1]);
    out_ = pipe_ends[0];
  }
  ~ViewProcess() {
    if (pid_ > 0) Stop();
    close(out_);
  }

  // The client and token of the address on the first line; the client is null (and the
  // line says why) when the line is not an address.
  struct Connection {
    std::unique_ptr<httplib::Client> client;
    httplib::Headers token;
    std::string line;
  };
  Connection Connect() {
    Connection connection{nullptr, {}, Line()};
    std::smatch address;
    if (std::regex_match(connection.line, address,
                         std::regex(R"(http://127\.0\.0\.1:(\d+)/\?token=(\w+))"))) {
      connection.client = std::make_unique<httplib::Client>("127.0.0.1", std::stoi(address[1]));
      connection.token = {{"X-Kestrum-Token", address[2]}};
    }
    return connection;
  }

  std::string Line() {
    std::string line;
    char c;
    while (read(out_, &c, 1) == 1 && c != '\n') line += c;
    return line;
  }
  // SIGTERM; the exit status and the rest of stdout.
  std::pair<int, std::string> Stop() {
    kill(pid_, SIGTERM);
    std::string rest;
    for (std::string line = Line(); !line.empty(); line = Line()) rest += line + "\n";
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = 0;
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, rest};
  }

 private:
  pid_t pid_ = 0;
  int out_ = -1;
};

struct Request {
  const char* what;
  const char* method;
  std::string path;
  httplib::Headers headers;
  std::string body;
  const char* type;
  int status;
};

TEST(ViewServer, RefusesEveryRequestTheSafetyRulesForbidAndChangesNothing) {
  khost_test::TempFolder folder;
  const std::string scene = folder.Path() + "/demo.json";
  std::filesystem::copy_file(KESTRUM_SOURCE_DIR "/examples/demo.json", scene);
  ViewProcess view(scene);
  std::smatch address;
  const std::string first = view.Line();
  ASSERT_TRUE(std::regex_match(first, address,
                               std::regex(R"(http://127\.0\.0\.1:(\d+)/\?token=([0-9a-f]{32}))")))
      << first;
  const int port = std::stoi(address[1]);
  const std::string token = address[2];
  const std::string here = "127.0.0.1:" + std::to_string(port);
  const httplib::Headers withToken = {{"X-Kestrum-Token", token}};
  const auto with = [&](httplib::Headers headers) {
    headers.insert(withToken.begin(), withToken.end());
    return headers;
  };
  const std::string json = "application/json";

  httplib::Client client("127.0.0.1", port);
  const auto send = [&](const Request& request) {
    httplib::Headers headers = request.headers;
    if (headers.find("Host") == headers.end()) headers.emplace("Host", here);
    return std::string(request.method) == "GET"
               ? client.Get(request.path.c_str(), headers)
               : client.Post(request.path.c_str(), headers, request.body, request.type);
  };
  const auto stateNow = [&] {
    const httplib::Result result = client.Get("/api/state", with({{"Host", here}}));
    EXPECT_TRUE(result && result->status == 200);
    return result ? nlohmann::json::parse(result->body) : nlohmann::json();
  };

  // The first page load carries the token in its query and sets the cookie.
  const httplib::Result page = send({"", "GET", "/?token=" + token, {}, "", "", 200});
  ASSERT_TRUE(page);
  EXPECT_EQ(page->status, 200);
  const std::string cookie = page->get_header_value("Set-Cookie");
  EXPECT_NE(cookie.find("=" + token), std::string::npos) << cookie;
  const std::string cookiePair = cookie.substr(0, cookie.find(';'));
  const nlohmann::json before = stateNow();
  ASSERT_FALSE(before["objects"].empty());

  const Request requests[] = {
      {"page without token", "GET", "/", {}, "", "", 403},
      {"page with a wrong token", "GET", "/?token=" + std::string(32, '0'), {}, "", "", 403},
      {"state without token", "GET", "/api/state", {}, "", "", 403},
      {"state by cookie", "GET", "/api/state", {{"Cookie", cookiePair}}, "", "", 200},
      {"state by header", "GET", "/api/state", withToken, "", "", 200},
      {"page file without token", "GET", "/main.js", {}, "", "", 403},
      {"its source map without token", "GET", "/main.js.map", {}, "", "", 403},
      {"its source map", "GET", "/main.js.map", withToken, "", "", 200},
      {"POST without token", "POST", "/api/undo", {}, "{}", "application/json", 403},
      {"foreign host name", "GET", "/api/state",
       with({{"Host", "evil.example:" + std::to_string(port)}}), "", "", 403},
      {"other port", "GET", "/api/state", with({{"Host", "127.0.0.1:1"}}), "", "", 403},
      {"host without port", "GET", "/api/state", with({{"Host", "localhost"}}), "", "", 403},
      {"localhost", "GET", "/api/state", with({{"Host", "localhost:" + std::to_string(port)}}), "",
       "", 200},
      {"change by GET", "GET", "/api/undo", withToken, "", "", 405},
      {"change as text", "POST", "/api/select", withToken, R"({"objects":[]})", "text/plain", 415},
      {"change as a form", "POST", "/api/select", withToken, "objects=1",
       "application/x-www-form-urlencoded", 415},
      {"body over 1 MB", "POST", "/api/select", withToken, std::string((1 << 20) + 1, ' '),
       "application/json", 413},
      {"malformed JSON", "POST", "/api/select", withToken, R"({"objects":[1,)", "application/json",
       400},
      {"unknown object", "POST", "/api/select", withToken, R"({"objects":[1,9999]})",
       "application/json", 400},
      {"add not true or false", "POST", "/api/select", withToken, R"({"objects":[1],"add":"yes"})",
       "application/json", 400},
      {"object id not a number", "POST", "/api/select", withToken, R"({"objects":["Vase"]})",
       "application/json", 400},
      {"unknown control", "POST", "/api/set", withToken, R"({"control":4242,"value":1})",
       "application/json", 400},
      {"value not of the choice", "POST", "/api/set", withToken,
       R"({"control":10004,"value":10013})", "application/json", 400},
      {"link to unknown object", "POST", "/api/set", withToken, R"({"control":10002,"value":9999})",
       "application/json", 400},
      {"press a choice", "POST", "/api/press", withToken, R"({"control":10004})",
       "application/json", 400},
      {"press an unknown control", "POST", "/api/press", withToken, R"({"control":1})",
       "application/json", 400},
      {"group of objects not a list", "POST", "/api/group", withToken, R"({"objects":5})",
       "application/json", 400},
      {"group holding its reference", "POST", "/api/group", withToken, R"({"objects":[2]})",
       "application/json", 400},
      {"selection box not an object", "POST", "/api/selection", withToken, "[]", "application/json",
       400},
      {"save over the scene unconfirmed", "POST", "/api/save", withToken, "{}", "application/json",
       400},
      {"path out of the page's files", "GET", "/../CMakeLists.txt", withToken, "", "", 404},
      {"encoded path out", "GET", "/%2e%2e/%2e%2e/etc/passwd", withToken, "", "", 404},
      {"a source file by name", "GET", "/view/main.js", withToken, "", "", 404},
  };
  for (const Request& request : requests) {
    const httplib::Result result = send(request);
    ASSERT_TRUE(result) << request.what;
    EXPECT_EQ(result->status, request.status)
        << request.what << ": " << result->body.substr(0, 200);
    if (request.status == 400) {
      EXPECT_FALSE(nlohmann::json::parse(result->body).value("error", "").empty()) << request.what;
    }
  }
  // Near misses of the token, wherever a token is read: each is refused.
  std::string lastChanged = token;
  lastChanged.back() = lastChanged.back() == '0' ? '1' : '0';
  const std::string cookieName = cookiePair.substr(0, cookiePair.find('='));
  for (const std::string& wrong :
       {std::string(), token.substr(0, token.size() - 1), token + "0", lastChanged}) {
    const Request nearMisses[] = {
        {"page load", "GET", "/?token=" + wrong, {}, "", "", 403},
        {"header", "GET", "/api/state", {{"X-Kestrum-Token", wrong}}, "", "", 403},
        {"cookie", "GET", "/api/state", {{"Cookie", cookieName + "=" + wrong}}, "", "", 403},
    };
    for (const Request& request : nearMisses) {
      const httplib::Result result = send(request);
      ASSERT_TRUE(result) << request.what;
      EXPECT_EQ(result->status, 403) << request.what << " with token '" << wrong << "'";
    }
  }
  EXPECT_EQ(stateNow(), before) << "a refused request changed the state";
  const auto contents = [](const std::string& path) {
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
  };
  EXPECT_EQ(contents(scene), contents(KESTRUM_SOURCE_DIR "/examples/demo.json"));

  // Bound to 127.0.0.1 alone: another loopback address finds no server.
  httplib::Client elsewhere("127.0.0.2", port);
  elsewhere.set_connection_timeout(1);
  EXPECT_FALSE(elsewhere.Get("/api/state", with({{"Host", here}})));

  // A confirmed save writes the scene and nothing else.
  const httplib::Result save =
      send({"", "POST", "/api/save", withToken, R"({"confirm":true})", "application/json", 200});
  ASSERT_TRUE(save);
  EXPECT_EQ(save->status, 200) << save->body;
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(folder.Path()))
    files.push_back(entry.path().filename().string());
  EXPECT_EQ(files, std::vector<std::string>{"demo.json"});

  const auto [status, rest] = view.Stop();
  EXPECT_EQ(status, 0) << rest;
  EXPECT_NE(rest.find("unloaded: nothing left allocated, no misuse recorded"), std::string::npos)
      << rest;
}

// The meshes of a glTF scene: each mesh once, its triangles from indexed, plain and strip
// primitives in one list, lines left out; every object naming its mesh. Token required.
TEST(ViewServer, ServesEachMeshOnceAsPositionsAndTriangles) {
  khost_test::TempFolder folder;
  // Four corners of a square, then six 16-bit indices (two triangles).
  const float corners[] = {-1, -1, 0, 1, -1, 0, 1, 1, 0, -1, 1, 0};
  const uint16_t square[] = {0, 1, 2, 0, 2, 3};
  std::ofstream bin(folder.Path() + "/square.bin", std::ios::binary);
  bin.write(reinterpret_cast<const char*>(corners), sizeof corners);
  bin.write(reinterpret_cast<const char*>(square), sizeof square);
  bin.close();
  const std::string scene = folder.Path() + "/square.gltf";
  std::ofstream(scene) << R"({"asset": {"version": "2.0"},
    "buffers": [{"uri": "square.bin", "byteLength": 60}],
    "bufferViews": [{"buffer": 0, "byteLength": 48}, {"buffer": 0, "byteOffset": 48, "byteLength": 12}],
    "accessors": [
      {"bufferView": 0, "componentType": 5126, "count": 4, "type": "VEC3",
       "min": [-1, -1, 0], "max": [1, 1, 0]},
      {"bufferView": 1, "componentType": 5123, "count": 6, "type": "SCALAR"}],
    "meshes": [{"primitives": [
      {"attributes": {"POSITION": 0}, "indices": 1},
      {"attributes": {"POSITION": 0}, "mode": 1},
      {"attributes": {"POSITION": 0}, "mode": 5}]},
      {"primitives": [{"attributes": {"POSITION": 0}}]}],
    "nodes": [{"name": "A", "mesh": 0}, {"name": "B", "mesh": 0, "translation": [3, 0, 0]},
              {"name": "C", "mesh": 1}, {"name": "Empty"}],
    "scenes": [{"nodes": [0, 1, 2, 3]}]})";
  ViewProcess view(scene);
  const ViewProcess::Connection connection = view.Connect();
  ASSERT_TRUE(connection.client) << connection.line;
  httplib::Client& client = *connection.client;
  const httplib::Headers& token = connection.token;
  for (const char* path : {"/api/meshes", "/api/meshes/0"}) {
    const httplib::Result refused = client.Get(path);
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->status, 403) << path;
  }

  const httplib::Result index = client.Get("/api/meshes", token);
  ASSERT_TRUE(index);
  ASSERT_EQ(index->status, 200) << index->body;
  // Mesh 0: the indexed pair and the strip's two triangles share the four corners; the
  // lines are skipped. Mesh 1: four corners, not indexed, make one triangle.
  EXPECT_EQ(nlohmann::json::parse(index->body), nlohmann::json::parse(R"({"meshes": [
      {"source": 0, "vertices": 4, "triangles": 4}, {"source": 1, "vertices": 4, "triangles": 1}],
      "skippedPrimitives": 1, "compressedPrimitives": 0, "leftOutMeshes": 0})"));
  const httplib::Result state = client.Get("/api/state", token);
  ASSERT_TRUE(state);
  const nlohmann::json objects = nlohmann::json::parse(state->body)["objects"];
  std::map<std::string, nlohmann::json> meshOf;
  for (const nlohmann::json& object : objects)
    meshOf[object["name"].get<std::string>()] = object["mesh"];
  EXPECT_EQ(meshOf, (std::map<std::string, nlohmann::json>{
                        {"A", 0}, {"B", 0}, {"C", 1}, {"Empty", nullptr}}));

  const httplib::Result mesh = client.Get("/api/meshes/0", token);
  ASSERT_TRUE(mesh);
  ASSERT_EQ(mesh->status, 200);
  EXPECT_EQ(mesh->get_header_value("Content-Type"), "application/octet-stream");
  ASSERT_EQ(mesh->body.size(), sizeof corners + 4 * 3 * sizeof(uint32_t));
  EXPECT_EQ(std::memcmp(mesh->body.data(), corners, sizeof corners), 0);
  std::vector<uint32_t> triangles(12);
  std::memcpy(triangles.data(), mesh->body.data() + sizeof corners, 48);
  // The strip 0 1 2 3 turns its second triangle so both face the same way.
  EXPECT_EQ(triangles, (std::vector<uint32_t>{0, 1, 2, 0, 2, 3, 0, 1, 2, 2, 1, 3}));
  const httplib::Result none = client.Get("/api/meshes/2", token);
  ASSERT_TRUE(none);
  EXPECT_EQ(none->status, 404);
  view.Stop();
}

// A press whose placement overflows is refused with a message and undone, as align
// refuses to write it: the page still shows the scene as it was, and saving writes B
// where it stood.
TEST(ViewServer, APressThatWouldOverflowIsRefusedAndUndone) {
  khost_test::TempFolder folder;
  const std::string scene = folder.Path() + "/huge.json";
  const std::string original = R"({ "objects": [
    { "name": "Ref", "position": [1e308, 0, 0], "halfSize": [1e308, 1, 1] },
    { "name": "B", "halfSize": [1, 1, 1] } ],
    "tool": { "reference": "Ref", "object": "B", "x": "plus" } })";
  std::ofstream(scene) << original;
  ViewProcess view(scene);
  const ViewProcess::Connection connection = view.Connect();
  ASSERT_TRUE(connection.client) << connection.line;
  httplib::Client& client = *connection.client;
  const httplib::Headers& token = connection.token;
  const httplib::Result press =
      client.Post("/api/press", token, R"({"control":704})", "application/json");
  ASSERT_TRUE(press);
  EXPECT_EQ(press->status, 400) << press->body;
  EXPECT_NE(press->body.find("values too large to place: object 'B'"), std::string::npos)
      << press->body;
  const httplib::Result state = client.Get("/api/state", token);
  ASSERT_TRUE(state);
  const nlohmann::json objects = nlohmann::json::parse(state->body)["objects"];
  EXPECT_EQ(objects[1]["position"], nlohmann::json::parse("[0, 0, 0]"));
  EXPECT_EQ(nlohmann::json::parse(state->body)["undoSteps"], 0);
  std::ostringstream text;
  text << std::ifstream(scene).rdbuf();
  EXPECT_EQ(text.str(), original);
  view.Stop();
}

}  // namespace
