// Writes a generated .glb for timing the `kestrum` command on glTF:
//   kestrum_generate_gltf_scene --nodes 100000 --output big.glb
// Node 0 is "Reference"; nodes "Box1" to "BoxN" sit at deterministic random places
// with random rotations and uniform scales. Every node uses the one box mesh.
#include <CLI/CLI.hpp>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>

#include "scene_generator.h"

namespace {

// In thousandths of the span, so every machine writes the same numbers.
double Uniform(kbench::SeededNumbers& numbers, double low, double high) {
  const double unit = static_cast<double>(numbers.Next() % 1001) / 1000.0;
  return low + (high - low) * unit;
}

template <typename T>
void Append(std::string& bytes, T value) {
  char raw[sizeof(T)];
  std::memcpy(raw, &value, sizeof(T));
  bytes.append(raw, sizeof(T));
}

// The nodes: a reference, then `nodes` boxes turned, scaled and placed by the seed.
nlohmann::ordered_json Nodes(size_t nodes, uint64_t seed) {
  nlohmann::ordered_json list = nlohmann::ordered_json::array();
  list.push_back({{"name", "Reference"}, {"mesh", 0}, {"scale", {10, 5, 10}}});
  kbench::SeededNumbers state(seed);
  for (size_t i = 1; i <= nodes; ++i) {
    double q[4];
    double length = 0;
    for (double& c : q) {
      c = Uniform(state, -1, 1);
      length += c * c;
    }
    length = std::sqrt(length) > 0 ? std::sqrt(length) : 1;
    const double scale = Uniform(state, 0.5, 2);
    list.push_back(
        {{"name", "Box" + std::to_string(i)},
         {"mesh", 0},
         {"translation",
          {Uniform(state, -1000, 1000), Uniform(state, -1000, 1000), Uniform(state, -1000, 1000)}},
         {"rotation", {q[0] / length, q[1] / length, q[2] / length, q[3] / length}},
         {"scale", {scale, scale, scale}}});
  }
  return list;
}

// The .glb: every node at the top level, all sharing one box mesh in `bin`.
std::string Glb(nlohmann::ordered_json nodes, const std::string& bin) {
  nlohmann::ordered_json document;
  document["asset"] = {{"version", "2.0"}, {"generator", "kestrum_generate_gltf_scene"}};
  document["scene"] = 0;
  nlohmann::ordered_json roots = nlohmann::ordered_json::array();
  for (size_t i = 0; i < nodes.size(); ++i) roots.push_back(i);
  document["scenes"] = {{{"nodes", roots}}};
  document["nodes"] = std::move(nodes);
  document["meshes"] = {{{"primitives", {{{"attributes", {{"POSITION", 1}}}, {"indices", 0}}}}}};
  document["accessors"] = {
      {{"bufferView", 0}, {"componentType", 5123}, {"count", 36}, {"type", "SCALAR"}},
      {{"bufferView", 1},
       {"componentType", 5126},
       {"count", 8},
       {"type", "VEC3"},
       {"min", {-1, -1, -1}},
       {"max", {1, 1, 1}}}};
  document["bufferViews"] = {
      {{"buffer", 0}, {"byteLength", 72}, {"target", 34963}},
      {{"buffer", 0}, {"byteOffset", 72}, {"byteLength", 96}, {"target", 34962}}};
  document["buffers"] = {{{"byteLength", bin.size()}}};

  std::string json = document.dump();
  json.append((4 - json.size() % 4) % 4, ' ');
  std::string glb = "glTF";
  Append(glb, uint32_t{2});
  Append(glb, static_cast<uint32_t>(12 + 8 + json.size() + 8 + bin.size()));
  Append(glb, static_cast<uint32_t>(json.size()));
  Append(glb, uint32_t{0x4E4F534A});
  glb += json;
  Append(glb, static_cast<uint32_t>(bin.size()));
  Append(glb, uint32_t{0x004E4942});
  glb += bin;
  return glb;
}

}  // namespace

int main(int argc, char** argv) {
  size_t nodes = 100000;
  uint64_t seed = 12;
  std::string output;
  CLI::App app{"Write a deterministic .glb of many nodes sharing one box mesh"};
  app.add_option("--nodes", nodes, "Box nodes besides the reference")->capture_default_str();
  app.add_option("--seed", seed, "Seed of the generator")->capture_default_str();
  app.add_option("--output", output, "File to write")->required();
  CLI11_PARSE(app, argc, argv);

  std::string bin;
  const uint16_t indices[36] = {0, 2, 6, 0, 6, 4, 1, 5, 7, 1, 7, 3, 0, 4, 5, 0, 5, 1,
                                2, 3, 7, 2, 7, 6, 0, 1, 3, 0, 3, 2, 4, 6, 7, 4, 7, 5};
  for (uint16_t index : indices) Append(bin, index);
  for (int corner = 0; corner < 8; ++corner)
    for (int axis = 0; axis < 3; ++axis) Append(bin, (corner >> axis & 1) != 0 ? 1.0f : -1.0f);

  std::ofstream file(output, std::ios::binary);
  file << Glb(Nodes(nodes, seed), bin);
  if (!file.flush()) {
    std::fprintf(stderr, "kestrum_generate_gltf_scene: cannot write %s\n", output.c_str());
    return 1;
  }
  return 0;
}
