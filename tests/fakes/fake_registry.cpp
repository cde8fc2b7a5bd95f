#include "fake_registry.h"

#include <algorithm>
#include <cctype>

namespace fake {
namespace reg = platform::reg;
namespace {

constexpr long kFileNotFound = 2;
constexpr long kInvalidHandle = 6;

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

std::string RootName(reg::Key root) {
  if (root == reg::kCurrentUser) return "HKCU";
  if (root == reg::kLocalMachine) return "HKLM";
  return {};
}

FakeRegistry registry;

// The full path of an open or predefined key, empty for an invalid handle.
std::string PathOf(reg::Key key) {
  if (auto root = RootName(key); !root.empty()) return root;
  auto it = registry.open.find(key);
  return it == registry.open.end() ? std::string{} : it->second;
}

std::string Join(const std::string& base, const char* subkey) {
  std::string sub = subkey ? subkey : "";
  return sub.empty() ? base : base + "\\" + Upper(sub);
}

// Records the call; true when it is to be refused.
bool Refused(std::string call) {
  const bool refused = !registry.refuse.empty() && call.rfind(registry.refuse, 0) == 0;
  registry.calls.push_back(std::move(call));
  return refused;
}

reg::Key OpenHandle(const std::string& path) {
  const reg::Key handle = registry.next_handle++;
  registry.open[handle] = path;
  return handle;
}

reg::Status Open(reg::Key root, const char* subkey, reg::Key* result, bool create) {
  *result = 0;
  const std::string base = PathOf(root);
  if (base.empty()) return kInvalidHandle;
  const std::string path = Join(base, subkey);
  if (!registry.keys.count(path)) {
    if (!create) return kFileNotFound;
    // Creating a key creates the keys above it too.
    for (auto at = path.find('\\'); at != std::string::npos; at = path.find('\\', at + 1))
      registry.keys[path.substr(0, at)];
    registry.keys[path];
  }
  *result = OpenHandle(path);
  return reg::kSuccess;
}

}  // namespace

FakeRegistry& FakeRegistry::Get() { return registry; }

void FakeRegistry::Reset() {
  registry = FakeRegistry{};
  registry.keys["HKCU"];
  registry.keys["HKLM"];
}

void FakeRegistry::Put(reg::Key root, const std::string& path, const std::string& name,
                       RegValue value) {
  const std::string full = Join(RootName(root), path.c_str());
  for (auto at = full.find('\\'); at != std::string::npos; at = full.find('\\', at + 1))
    keys[full.substr(0, at)];
  keys[full][Upper(name)] = std::move(value);
}

void FakeRegistry::PutText(reg::Key root, const std::string& path, const std::string& name,
                           const std::string& text) {
  RegValue value{reg::kTypeSz, {text.begin(), text.end()}};
  value.data.push_back(0);
  Put(root, path, name, std::move(value));
}

std::optional<RegValue> FakeRegistry::Value(reg::Key root, const std::string& path,
                                            const std::string& name) const {
  auto key = keys.find(Join(RootName(root), path.c_str()));
  if (key == keys.end()) return std::nullopt;
  auto value = key->second.find(Upper(name));
  if (value == key->second.end()) return std::nullopt;
  return value->second;
}

bool FakeRegistry::HasKey(reg::Key root, const std::string& path) const {
  return keys.count(Join(RootName(root), path.c_str())) != 0;
}

std::size_t FakeRegistry::Count(const std::string& call_prefix) const {
  return std::count_if(calls.begin(), calls.end(),
                       [&](const std::string& c) { return c.rfind(call_prefix, 0) == 0; });
}

}  // namespace fake

namespace platform::reg {
using fake::Refused;
constexpr long kAccessDenied = 5;

Status OpenKey(Key root, const char* subkey, Key* result) {
  *result = 0;
  if (Refused("OpenKey(" + fake::Join(fake::PathOf(root), subkey) + ")")) return kAccessDenied;
  return fake::Open(root, subkey, result, false);
}

Status OpenKeyEx(Key root, const char* subkey, std::uint32_t options, std::uint32_t access,
                 Key* result) {
  *result = 0;
  if (Refused("OpenKeyEx(" + fake::Join(fake::PathOf(root), subkey) + "," +
              std::to_string(options) + "," + std::to_string(access) + ")"))
    return kAccessDenied;
  return fake::Open(root, subkey, result, false);
}

Status QueryValueEx(Key key, const char* name, std::uint32_t* type, std::uint8_t* data,
                    std::uint32_t* size) {
  if (Refused("QueryValueEx(" + std::to_string(key) + "," + name + "," + std::to_string(*size) +
              ")"))
    return kAccessDenied;
  const std::string path = fake::PathOf(key);
  if (path.empty()) return fake::kInvalidHandle;
  auto& values = fake::registry.keys[path];
  auto value = values.find(fake::Upper(name));
  if (value == values.end()) return fake::kFileNotFound;
  const auto needed = static_cast<std::uint32_t>(value->second.data.size());
  *type = value->second.type;
  if (needed > *size) {
    *size = needed;
    return kMoreData;
  }
  std::copy(value->second.data.begin(), value->second.data.end(), data);
  *size = needed;
  return kSuccess;
}

Status CreateKey(Key root, const char* subkey, Key* result) {
  *result = 0;
  if (Refused("CreateKey(" + fake::Join(fake::PathOf(root), subkey) + ")")) return kAccessDenied;
  return fake::Open(root, subkey, result, true);
}

Status SetValueEx(Key key, const char* name, std::uint32_t type, const std::uint8_t* data,
                  std::uint32_t size) {
  if (Refused("SetValueEx(" + std::to_string(key) + "," + name + "," + std::to_string(type) + "," +
              std::to_string(size) + ")"))
    return kAccessDenied;
  const std::string path = fake::PathOf(key);
  if (path.empty()) return fake::kInvalidHandle;
  fake::registry.keys[path][fake::Upper(name)] = fake::RegValue{type, {data, data + size}};
  return kSuccess;
}

Status FlushKey(Key key) {
  if (Refused("FlushKey(" + std::to_string(key) + ")")) return kAccessDenied;
  return fake::PathOf(key).empty() ? fake::kInvalidHandle : kSuccess;
}

Status DeleteKey(Key key, const char* subkey) {
  if (Refused("DeleteKey(" + std::to_string(key) + "," + subkey + ")")) return kAccessDenied;
  const std::string base = fake::PathOf(key);
  if (base.empty()) return fake::kInvalidHandle;
  const std::string path = fake::Join(base, subkey);
  auto& keys = fake::registry.keys;
  if (!keys.count(path)) return fake::kFileNotFound;
  auto below = keys.lower_bound(path + "\\");
  if (below != keys.end() && below->first.rfind(path + "\\", 0) == 0) return 5;  // access denied
  keys.erase(path);
  return kSuccess;
}

Status DeleteValue(Key key, const char* name) {
  if (Refused("DeleteValue(" + std::to_string(key) + "," + name + ")")) return kAccessDenied;
  const std::string path = fake::PathOf(key);
  if (path.empty()) return fake::kInvalidHandle;
  return fake::registry.keys[path].erase(fake::Upper(name)) ? kSuccess : fake::kFileNotFound;
}

Status CloseKey(Key key) {
  if (Refused("CloseKey(" + std::to_string(key) + ")")) return kAccessDenied;
  return fake::registry.open.erase(key) ? kSuccess : fake::kInvalidHandle;
}

}  // namespace platform::reg
