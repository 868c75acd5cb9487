#include "platform/files.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace stanzo::platform {
namespace {

// Splits "<dir>/<name>" at the last separator; "" for a bare name. Both
// "/" and "\" separate, so the rules serve every system's paths.
size_t NameStart(std::string_view path) {
  const size_t sep = path.find_last_of("/\\");
  return sep == std::string_view::npos ? 0 : sep + 1;
}

bool AllDigits(std::string_view s) {
  if (s.empty()) return false;
  for (const char c : s) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

}  // namespace

bool Files::MakeDirs(const std::string& dir) {
  std::string trimmed = dir;
  while (trimmed.size() > 1 && (trimmed.back() == '/' || trimmed.back() == '\\'))
    trimmed.pop_back();
  if (trimmed.empty()) return false;
  // From UTF-8 explicitly: on Windows a narrow path would be taken in the
  // ANSI code page.
  const std::filesystem::path path(std::u8string(trimmed.begin(), trimmed.end()));
  std::error_code ec;
  std::filesystem::create_directories(path, ec);
  return std::filesystem::is_directory(path, ec);
}

bool Files::CanCreateIn(const std::string& dir) {
  if (dir.empty()) return false;
  std::string name = dir;
  if (name.back() != '/' && name.back() != '\\') name += '/';
  // A name no other program uses, unique per call.
  name += ".stanzo-probe-" +
          std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
  const std::filesystem::path path(std::u8string(name.begin(), name.end()));
  bool created = false;
  {
    std::ofstream probe(path, std::ios::binary | std::ios::trunc);
    created = probe.is_open();
  }
  std::error_code ec;
  if (created) std::filesystem::remove(path, ec);
  return created;
}

std::string TempNameFor(const std::string& target, uint64_t process, uint64_t count) {
  const size_t name = NameStart(target);
  return target.substr(0, name) + "." + target.substr(name) + ".tmp-" + std::to_string(process) +
         "-" + std::to_string(count);
}

bool IsTempNameOf(std::string_view entry, std::string_view targetName) {
  const std::string prefix = "." + std::string(targetName) + ".tmp-";
  if (entry.substr(0, prefix.size()) != prefix) return false;
  const std::string_view rest = entry.substr(prefix.size());
  const size_t dash = rest.find('-');
  return dash != std::string_view::npos && AllDigits(rest.substr(0, dash)) &&
         AllDigits(rest.substr(dash + 1));
}

void RemoveStaleTemps(Files& files, const std::string& target) {
  const size_t name = NameStart(target);
  const std::string dir = name == 0 ? std::string(".") : target.substr(0, name);
  const std::optional<std::vector<std::string>> entries = files.List(dir);
  if (!entries) return;
  const std::string_view targetName = std::string_view(target).substr(name);
  for (const std::string& entry : *entries) {
    if (IsTempNameOf(entry, targetName)) (void)files.Remove(target.substr(0, name) + entry);
  }
}

}  // namespace stanzo::platform
