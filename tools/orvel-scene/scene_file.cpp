#include "tools/orvel-scene/scene_file.h"

#include <cctype>
#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include <nlohmann/json.hpp>

#include "tools/orvel-scene/input_error.h"

namespace orvel::scene_tool {

namespace {

// Keeps the nodes in the order of the file, so that top-level nodes and
// messages come in the order the author wrote them.
using Json = nlohmann::ordered_json;

std::string TypeText(const Json& value) {
  switch (value.type()) {
    case Json::value_t::null: return "null";
    case Json::value_t::boolean: return value.get<bool>() ? "true" : "false";
    case Json::value_t::string: return "the string " + value.dump();
    case Json::value_t::array: return "an array";
    case Json::value_t::object: return "an object";
    default: return "the number " + value.dump();
  }
}

bool PlainName(const std::string& name) {
  if (name.empty()) return false;
  for (char c : name) {
    if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-' || c == '\'')) return false;
  }
  return true;
}

std::string NodePath(const std::string& name) {
  return PlainName(name) ? "nodes." + name : "nodes[" + Json(name).dump() + "]";
}

// Reads the fields of one scene, each problem reported at its path.
class SceneReader {
 public:
  explicit SceneReader(std::string source) : source_(std::move(source)) {}

  [[noreturn]] void Fail(const std::string& path, const std::string& what) const {
    throw InputError(source_ + ": " + path, what);
  }

  float Number(const Json& value, const std::string& path) const {
    if (!value.is_number()) Fail(path, "expected a number, found " + TypeText(value));
    const double number = value.get<double>();
    if (!std::isfinite(number) || std::fabs(number) > FLT_MAX) {
      Fail(path, value.dump() + " is out of the range of a 32-bit float");
    }
    return static_cast<float>(number);
  }

  void Numbers(const Json& value, const std::string& path, float* out, std::size_t count) const {
    if (!value.is_array()) Fail(path, "expected an array of " + std::to_string(count) + " numbers, found " + TypeText(value));
    if (value.size() != count) {
      Fail(path, "expected " + std::to_string(count) + " numbers, found " + std::to_string(value.size()));
    }
    for (std::size_t i = 0; i < count; ++i) out[i] = Number(value[i], path + "[" + std::to_string(i) + "]");
  }

  Vector3 Vector(const Json& value, const std::string& path) const {
    float xyz[3];
    Numbers(value, path, xyz, 3);
    return {xyz[0], xyz[1], xyz[2]};
  }

  NodeTransform Transform(const Json& value, const std::string& path) const {
    if (!value.is_object()) Fail(path, "expected an object with m, t and s, found " + TypeText(value));
    NodeTransform transform{};
    transform.m[0] = transform.m[4] = transform.m[8] = 1.0f;
    transform.s = 1.0f;
    for (const auto& [key, field] : value.items()) {
      const std::string at = path + "." + key;
      if (key == "m") {
        Numbers(field, at, transform.m, 9);
      } else if (key == "t") {
        transform.t = Vector(field, at);
      } else if (key == "s") {
        transform.s = Number(field, at);
      } else {
        Fail(at, "unknown field (a transform has m, t and s)");
      }
    }
    return transform;
  }

  std::vector<std::string> Names(const Json& value, const std::string& path) const {
    if (!value.is_array()) Fail(path, "expected an array of node names, found " + TypeText(value));
    std::vector<std::string> names;
    for (std::size_t i = 0; i < value.size(); ++i) {
      if (!value[i].is_string()) Fail(path + "[" + std::to_string(i) + "]", "expected a node name, found " + TypeText(value[i]));
      names.push_back(value[i].get<std::string>());
    }
    return names;
  }

  NodeDescription Node(const std::string& name, const Json& value) const {
    const std::string path = NodePath(name);
    if (name.empty()) Fail(path, "a node needs a name");
    if (!value.is_object()) Fail(path, "expected an object, found " + TypeText(value));
    NodeDescription node{};
    node.name = name;
    node.transform = Transform(Json::object(), path);  // identity
    node.frame = node.transform;
    node.axisScale = {1, 1, 1};
    node.box = {-0.5f, -0.5f, -0.5f, 0.5f, 0.5f, 0.5f};
    bool placementGiven = false;
    for (const auto& [key, field] : value.items()) {
      const std::string at = path + "." + key;
      if (key == "children") {
        node.children = Names(field, at);
      } else if (key == "transform") {
        node.transform = Transform(field, at);
      } else if (key == "placement") {
        node.placement = Transform(field, at);
        placementGiven = true;
      } else if (key == "frame") {
        node.frame = Transform(field, at);
      } else if (key == "pivot") {
        node.pivot = Vector(field, at);
      } else if (key == "axisScale") {
        node.axisScale = Vector(field, at);
      } else if (key == "box") {
        float corners[6];
        Numbers(field, at, corners, 6);
        node.box = {corners[0], corners[1], corners[2], corners[3], corners[4], corners[5]};
      } else if (key == "list") {
        node.list = Names(field, at);
      } else {
        Fail(at, "unknown field (a node has children, transform, placement, frame, pivot, axisScale, box and list)");
      }
    }
    if (!placementGiven) node.placement = node.transform;
    return node;
  }

  // Every name a node refers to is a node; every node has at most one
  // parent; following parents never comes back to where it started.
  void CheckNames(const SceneDescription& scene) const {
    std::map<std::string, std::string> parentOf;
    for (const NodeDescription& node : scene.nodes) {
      const std::string path = NodePath(node.name);
      for (std::size_t i = 0; i < node.children.size(); ++i) {
        const std::string& child = node.children[i];
        const std::string at = path + ".children[" + std::to_string(i) + "]";
        if (scene.Find(child) == nullptr) Fail(at, "no node is named \"" + child + "\"");
        if (child == node.name) Fail(at, "\"" + child + "\" is listed as its own child, a cycle");
        const auto [found, fresh] = parentOf.emplace(child, node.name);
        if (!fresh) {
          Fail(at, "\"" + child + "\" is already a child of \"" + found->second + "\"; a node has one parent");
        }
      }
      for (std::size_t i = 0; i < node.list.size(); ++i) {
        if (scene.Find(node.list[i]) == nullptr) {
          Fail(path + ".list[" + std::to_string(i) + "]", "no node is named \"" + node.list[i] + "\"");
        }
      }
    }
    for (const NodeDescription& node : scene.nodes) {
      std::vector<std::string> chain{node.name};
      std::set<std::string> seen{node.name};
      for (auto up = parentOf.find(node.name); up != parentOf.end(); up = parentOf.find(up->second)) {
        chain.push_back(up->second);
        if (up->second == node.name) {
          std::string cycle;
          for (auto it = chain.rbegin(); it != chain.rend(); ++it) cycle += (cycle.empty() ? "" : " -> ") + *it;
          Fail(NodePath(node.name) + ".children", "the children form a cycle: " + cycle);
        }
        if (!seen.insert(up->second).second) break;  // a cycle further up, reported from one of its nodes
      }
    }
  }

  SceneDescription Scene(const Json& document) const {
    SceneDescription scene;
    scene.source = source_;
    if (!document.is_object()) Fail("top level", "expected an object with \"nodes\" and \"steps\", found " + TypeText(document));
    for (const auto& [key, field] : document.items()) {
      if (key == "nodes") {
        if (!field.is_object()) Fail("nodes", "expected an object of named nodes, found " + TypeText(field));
        for (const auto& [name, node] : field.items()) scene.nodes.push_back(Node(name, node));
      } else if (key == "steps") {
        if (!field.is_array()) Fail("steps", "expected an array of steps, found " + TypeText(field));
        for (std::size_t i = 0; i < field.size(); ++i) {
          const std::string at = "steps[" + std::to_string(i) + "]";
          if (!field[i].is_string()) Fail(at, "expected a step such as \"pinmark HMEM lamp\", found " + TypeText(field[i]));
          scene.steps.push_back({field[i].get<std::string>(), source_ + ": " + at});
        }
      } else {
        Fail(key, "unknown field (a scene has nodes and steps)");
      }
    }
    CheckNames(scene);
    return scene;
  }

 private:
  std::string source_;
};

// What the parser says is wrong, without its own prefix and position.
std::string ParseProblem(const nlohmann::json::parse_error& error) {
  std::string what = error.what();
  const auto at = what.find("parse error");
  if (at == std::string::npos) return what;
  const auto colon = what.find(": ", at);
  return colon == std::string::npos ? what.substr(at) : what.substr(colon + 2);
}

}  // namespace

const NodeDescription* SceneDescription::Find(const std::string& name) const {
  for (const NodeDescription& node : nodes) {
    if (node.name == name) return &node;
  }
  return nullptr;
}

std::vector<const NodeDescription*> SceneDescription::TopLevel() const {
  std::set<std::string> children;
  for (const NodeDescription& node : nodes) children.insert(node.children.begin(), node.children.end());
  std::vector<const NodeDescription*> top;
  for (const NodeDescription& node : nodes) {
    if (children.count(node.name) == 0) top.push_back(&node);
  }
  return top;
}

TextPosition PositionOf(const std::string& text, std::size_t offset) {
  TextPosition position{1, 1};
  for (std::size_t i = 0; i < offset && i < text.size(); ++i) {
    if (text[i] == '\n') {
      ++position.line;
      position.column = 1;
    } else {
      ++position.column;
    }
  }
  return position;
}

SceneDescription ParseScene(const std::string& text, const std::string& source) {
  // The parser keeps the last of two equal keys; a node or field written
  // twice is an error instead, caught while parsing because the document
  // no longer shows it.
  struct Open {
    std::set<std::string> keys;
    std::string name;
  };
  std::vector<Open> open;
  std::string lastKey;
  std::string duplicate;
  const Json::parser_callback_t watch = [&](int, Json::parse_event_t event, Json& parsed) {
    switch (event) {
      case Json::parse_event_t::object_start:
        open.push_back({{}, lastKey});
        break;
      case Json::parse_event_t::key:
        lastKey = parsed.get<std::string>();
        if (!open.back().keys.insert(lastKey).second && duplicate.empty()) {
          std::string path;
          for (const Open& object : open) {
            if (!object.name.empty()) path += (path.empty() ? "" : ".") + object.name;
          }
          duplicate = (path.empty() ? std::string("top level") : path) + ": \"" + lastKey + "\" is given twice";
        }
        break;
      case Json::parse_event_t::object_end:
        open.pop_back();
        break;
      default:
        break;
    }
    return true;
  };

  Json document;
  try {
    document = Json::parse(text, watch);
  } catch (const nlohmann::json::parse_error& error) {
    // byte is the 1-based position of the last character the parser read.
    const TextPosition at = PositionOf(text, error.byte == 0 ? 0 : error.byte - 1);
    throw InputError(source + ":" + std::to_string(at.line) + ":" + std::to_string(at.column),
                     "malformed JSON: " + ParseProblem(error));
  }
  if (!duplicate.empty()) throw InputError(source, duplicate);
  return SceneReader(source).Scene(document);
}

SceneDescription ReadSceneFile(const std::string& path) {
  std::error_code status;
  if (!std::filesystem::exists(path, status)) {
    const bool json = path.size() >= 5 && path.compare(path.size() - 5, 5, ".json") == 0;
    throw InputError(path, json ? "no such file" : "no such file (a step starts with pinmark or twinflip)");
  }
  if (std::filesystem::is_directory(path, status)) throw InputError(path, "is a directory, not a scene file");
  std::ifstream file(path, std::ios::binary);
  if (!file) throw InputError(path, std::string("cannot be read (") + std::strerror(errno) + ")");
  std::ostringstream text;
  text << file.rdbuf();
  return ParseScene(text.str(), path);
}

}  // namespace orvel::scene_tool
