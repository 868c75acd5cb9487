#include "console/file_places.h"

namespace stanzo {

namespace {

// The path up to and with its last separator, and the name after it.
size_t NameStart(const std::string& path, bool windows) {
  const size_t sep = path.find_last_of(windows ? "\\/:" : "/");
  return sep == std::string::npos ? 0 : sep + 1;
}

// "stanzo" from ".../stanzo" or "...\stanzo.exe": the settings file is
// named after the program.
std::string SettingsName(const std::string& exePath, bool windows) {
  std::string name = exePath.substr(NameStart(exePath, windows));
  const size_t dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0) name.resize(dot);
  return name + ".ini";
}

bool IsBinFolder(const std::string& dir, bool windows) {
  if (dir.size() < 2) return false;
  const std::string parent = dir.substr(0, dir.size() - 1);
  std::string last = parent.substr(NameStart(parent, windows));
  if (windows)
    for (char& c : last) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  return last == "bin";
}

}  // namespace

FilePlaces ChooseFilePlaces(const PlaceFacts& f) {
  const std::string exeDir = f.exePath.substr(0, NameStart(f.exePath, f.windows));
  const std::string settingsName = SettingsName(f.exePath, f.windows);
  FilePlaces beside{exeDir + settingsName, exeDir, std::string(), false};
  if (f.settingsBeside) return beside;
  if (f.exeDirWritable && !IsBinFolder(exeDir, f.windows)) return beside;
  if (f.windows) {
    if (f.dataHome.empty()) return beside;
    const std::string dir = f.dataHome + "\\Stanzo\\";
    return {dir + settingsName, dir, dir, true};
  }
  if (f.configHome.empty() || f.dataHome.empty()) return beside;
  const std::string settingsDir = f.configHome + "/stanzo/";
  return {settingsDir + settingsName, f.dataHome + "/stanzo/", settingsDir, true};
}

FilePlaces FindFilePlaces(const platform::Env& env, const std::string& exePath) {
  const bool windows = env.system.Kind() == platform::System::Family::kWindows;
  PlaceFacts facts{exePath, false, false, env.system.UserConfigDir(), env.system.UserDataDir(),
                   windows};
  const FilePlaces beside = ChooseFilePlaces({exePath, true, true, "", "", windows});
  std::string bytes;
  facts.settingsBeside =
      env.files.Read(beside.settingsPath, &bytes) != platform::FileResult::Missing;
  facts.exeDirWritable = !facts.settingsBeside && env.files.CanCreateIn(beside.dataDir);
  FilePlaces places = ChooseFilePlaces(facts);
  if (places.installed) {
    env.files.MakeDirs(places.settingsDir);
    env.files.MakeDirs(places.dataDir);
  }
  return places;
}

}  // namespace stanzo
