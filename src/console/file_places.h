// Where the console keeps its files: beside the program (a portable copy:
// the Windows zip, a build tree, the tests) or, for an installed program,
// in the user's own folders.
//
// The rule: a program whose folder holds its settings file keeps every
// file there, as it always did. Otherwise a program whose folder is its
// own and writable keeps them there, too. An installed program (its
// folder cannot be written, or is a "bin" folder shared with other
// programs, such as /usr/bin or ~/.local/bin) keeps its settings in the
// user's settings folder and its scripts and histories in the user's data
// folder, in a "stanzo" folder of each on POSIX ($XDG_CONFIG_HOME/stanzo,
// $XDG_DATA_HOME/stanzo), in "%APPDATA%\Stanzo" on Windows.
#pragma once

#include <string>

#include "platform/env.h"

namespace stanzo {

// What the rule looks at, gathered by FindFilePlaces.
struct PlaceFacts {
  std::string exePath;     // the program's full path
  bool settingsBeside;     // the settings file exists in the program's folder
  bool exeDirWritable;     // a file can be created there
  std::string configHome;  // the user's settings folder, no trailing separator
  std::string dataHome;    // the user's data folder, no trailing separator
  bool windows;            // Windows paths and folder names
};

struct FilePlaces {
  std::string settingsPath;
  // Where scripts and histories lie (AppDir), with a trailing separator.
  std::string dataDir;
  // The folders to make at start (empty for a portable copy).
  std::string settingsDir;
  bool installed = false;
};

// The pure rule. An installed program without a user folder to go to (no
// home) stays beside the program: reading works there, and a save fails
// visibly as it would today.
FilePlaces ChooseFilePlaces(const PlaceFacts& facts);

// The rule over the facts of `env`; makes the user's folders of an
// installed program (a folder that cannot be made is not an error here:
// the first save says so).
FilePlaces FindFilePlaces(const platform::Env& env, const std::string& exePath);

}  // namespace stanzo
