#include "console/control_table.h"

#include <algorithm>

namespace stanzo {
namespace {

using K = ControlKind;
using S = LabelStyle;
using P = Picture;

constexpr std::span<const char* const> kNone;
constexpr const char* kQueueItems[] = {"lstLyrics"};
constexpr const char* kCameraItems[] = {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"};

constexpr WindowSpec kWindow = {
    .name = "frmMain",
    .initialCaption = "frmMain",
    .caption = "Stanzo  (Cuewright)",
    .appTitle = "Stanzo",
    .outer = {326, 249, 781, 511},
    // Right edge of grpCams, bottom edge of cboLaunchCmd.
    .designWidth = 745,
    .designHeight = 477,
    .fontName = "MS Sans Serif",
    .fontPoints = 8,
    .fontPixelHeight = 11,
    .designTextHeight = 13,
    .hintPauseMs = 500,
    .hintHidePauseMs = 2500,
};

// clang-format off
constexpr ControlSpec kControls[] = {
    {"Label1", K::Label, {8, 56, 270, 13}, -1,
     "Lines starting with \"@\" will be sent naked  as commands.", kNone, ""},
    {"Label2", K::Label, {8, 72, 277, 13}, -1,
     "Lines ending with \"\\\" will immediately process next line too.", kNone, ""},
    {"lblInitFile", K::Label, {352, 8, 52, 13}, -1, "lblInitFile", kNone, "", S::Bold},
    {"lblLyricFile", K::Label, {8, 144, 61, 13}, -1, "lblLyricFile", kNone, "", S::Bold},
    {"Label3", K::Label, {8, 40, 75, 13}, -1, "Lyric Slide Hints", kNone, "", S::Underline},
    {"Label4", K::Label, {8, 88, 289, 13}, -1,
     "\"{INIT}mask\" will re-run all INIT commands matching \"mask\".", kNone, ""},
    {"Label5", K::Label, {8, 104, 125, 13}, -1, "\"$_\" will insert a line break", kNone, ""},
    {"edHost", K::Edit, {8, 8, 121, 21}, 0, "edHost", kNone,
     "Host (name or IP address). Optional: host:port (default port 2323)"},
    {"memLog", K::Memo, {8, 368, 513, 81}, 1, "memLog", kNone,
     "Events and messages from VLC are displayed here."},
    {"butSendAdhoc", K::Button, {512, 272, 97, 17}, 2, "Ad-hoc Command", kNone, ""},
    {"butConnect", K::Button, {144, 8, 81, 25}, 3, "Connect", kNone,
     "Connect to VLC \"rc\" interface on specified host & port"},
    {"butTest", K::Button, {528, 376, 81, 25}, 4, "Stress Test", kNone,
     "Test rapid (5/sec) VLC marquee updates"},
    {"cboAdhoc", K::SimpleCombo, {8, 272, 497, 97}, 5, "cboAdhoc", kNone,
     "Commands sent to VLC", S::Regular, P::None, 13},
    {"memLyric", K::Memo, {8, 160, 201, 105}, 6, "memLyric", kNone,
     "Lyrics and other text to present"},
    {"lstLyrics", K::ListBox, {320, 120, 201, 145}, 7, "", kQueueItems,
     "\"Live queue\" -  Next line to display highlighted", S::Regular, P::None, 13},
    {"butToList", K::Button, {216, 208, 41, 25}, 8, "--->", kNone,
     "Copy lyrics to live presentation list"},
    {"memInit", K::Memo, {352, 24, 169, 81}, 9, "memInit", kNone,
     "Series of init commands to send"},
    {"butSendInit", K::Button, {528, 72, 57, 33}, 10, "Send Init", kNone,
     "Send init strings to VLC"},
    {"butSlide", K::Button, {528, 184, 57, 33}, 11, "butSlide", kNone,
     "Send the selected line (\"0\" on numeric keypad: go back a slide)"},
    {"butLineFromList", K::Button, {272, 208, 41, 25}, 12, "<#", kNone,
     "Find highlighted (next) line in edit copy."},
    {"butLyricOpen", K::PictureButton, {216, 144, 25, 25}, 13, "", kNone,
     "Load lyrics from a file  (or create a new file)", S::Regular, P::Open},
    {"butInitOpen", K::PictureButton, {528, 8, 25, 25}, 14, "", kNone,
     "Load init strings from a file  (or create a new file)", S::Regular, P::Open},
    {"butInitSave", K::PictureButton, {528, 40, 25, 25}, 15, "", kNone,
     "Save init strings to the current file", S::Regular, P::Save},
    {"butLyricSave", K::PictureButton, {216, 176, 25, 25}, 16, "", kNone,
     "Save lyrics to the current file", S::Regular, P::Save},
    {"butSlideBack", K::PictureButton, {536, 144, 25, 25}, 17, "", kNone,
     "Display previous slide", S::Regular, P::Back},
    {"cboLaunchCmd", K::DropDownCombo, {8, 456, 513, 21}, 18, "cboLaunchCmd", kNone,
     "Command to launch VLC", S::Regular, P::None, 13, 8},
    {"butHelpMasks", K::Button, {296, 88, 33, 17}, 19, "Help", kNone, ""},
    {"butExec", K::Button, {528, 456, 65, 17}, 20, "Execute", kNone,
     "Execute specified DOS command"},
    {"Edit1", K::ReadOnlyEdit, {8, 120, 305, 21}, 21,
     "More: https://wiki.videolan.org/Documentation:Modules/marq/", kNone, ""},
    {"grpCams", K::RadioGroup, {624, 16, 121, 225}, 22, "Cameras", kCameraItems, ""},
    {"butCamEdit", K::Button, {664, 248, 73, 17}, 23, "Edit Cameras", kNone, ""},
};
// clang-format on

}  // namespace

const WindowSpec& MainWindowSpec() {
  return kWindow;
}

std::span<const ControlSpec> MainWindowControls() {
  return kControls;
}

const ControlSpec* FindControl(std::string_view name) {
  for (const ControlSpec& c : kControls)
    if (name == c.name) return &c;
  return nullptr;
}

std::vector<const ControlSpec*> TabOrder() {
  std::vector<const ControlSpec*> order;
  for (const ControlSpec& c : kControls)
    if (c.tabOrder >= 0) order.push_back(&c);
  std::sort(order.begin(), order.end(),
            [](const ControlSpec* a, const ControlSpec* b) { return a->tabOrder < b->tabOrder; });
  return order;
}

}  // namespace stanzo
