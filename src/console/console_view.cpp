#include "console/console_view.h"

namespace stanzo {

std::string ErrorDisplayText(const std::string& message) {
  if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') return message + ".";
  return message;
}

const char* ControlName(Control c) {
  static constexpr const char* kNames[kControlCount] = {
      "lblInitFile",  "lblLyricFile", "edHost",      "memLog",       "butSendAdhoc",
      "butConnect",   "butTest",      "cboAdhoc",    "memLyric",     "lstLyrics",
      "butToList",    "memInit",      "butSendInit", "butSlide",     "butLineFromList",
      "butLyricOpen", "butInitOpen",  "butInitSave", "butLyricSave", "butSlideBack",
      "cboLaunchCmd", "butHelpMasks", "butExec",     "grpCams",      "butCamEdit",
  };
  return kNames[static_cast<int>(c)];
}

}  // namespace stanzo
