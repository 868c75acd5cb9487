#include "console/control_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace stanzo {
namespace {

bool Overlap(const Rect& a, const Rect& b) {
  return a.left < b.Right() && b.left < a.Right() && a.top < b.Bottom() && b.top < a.Bottom();
}

TEST(ControlTable, IsConsistent) {
  const WindowSpec& w = MainWindowSpec();
  const auto controls = MainWindowControls();
  std::set<std::string> names;
  std::vector<int> tabs;
  int right = 0, bottom = 0;
  for (const ControlSpec& c : controls) {
    SCOPED_TRACE(c.name);
    EXPECT_TRUE(names.insert(c.name).second) << "duplicate name";
    EXPECT_EQ(FindControl(c.name), &c);
    // Labels take no focus; everything else has a place in the Tab walk.
    EXPECT_EQ(c.kind == ControlKind::Label, c.tabOrder < 0);
    if (c.tabOrder >= 0) tabs.push_back(c.tabOrder);
    // A picture button shows its picture and no caption; nothing else has one.
    EXPECT_EQ(c.kind == ControlKind::PictureButton, c.picture != Picture::None);
    if (c.picture != Picture::None) {
      EXPECT_STREQ(c.text, "");
    }
    EXPECT_GE(c.place.left, 0);
    EXPECT_GE(c.place.top, 0);
    EXPECT_GT(c.place.width, 0);
    EXPECT_GT(c.place.height, 0);
    right = std::max(right, c.place.Right());
    bottom = std::max(bottom, c.place.Bottom());
  }
  EXPECT_EQ(FindControl("frmMain"), nullptr);
  std::sort(tabs.begin(), tabs.end());
  for (size_t i = 0; i < tabs.size(); ++i) EXPECT_EQ(tabs[i], static_cast<int>(i));

  // The controls fill exactly the design's client area, which fits inside
  // the outer size.
  EXPECT_EQ(right, w.designWidth);
  EXPECT_EQ(bottom, w.designHeight);
  EXPECT_LT(w.designWidth, w.outer.width);
  EXPECT_LT(w.designHeight, w.outer.height);

  // Only the design's own one-pixel overlaps: the ad-hoc box's last row
  // over the log's top border, and the Help button over the end of Label4.
  std::set<std::pair<std::string, std::string>> overlaps;
  for (size_t i = 0; i < controls.size(); ++i)
    for (size_t j = i + 1; j < controls.size(); ++j)
      if (Overlap(controls[i].place, controls[j].place))
        overlaps.insert({controls[i].name, controls[j].name});
  const std::set<std::pair<std::string, std::string>> expected = {{"Label4", "butHelpMasks"},
                                                                  {"memLog", "cboAdhoc"}};
  EXPECT_EQ(overlaps, expected);
}

TEST(ControlTable, TabOrderWalksTheFocusableControls) {
  const auto order = TabOrder();
  ASSERT_FALSE(order.empty());
  for (size_t i = 0; i < order.size(); ++i) EXPECT_EQ(order[i]->tabOrder, static_cast<int>(i));
  EXPECT_STREQ(order.front()->name, "edHost");
  EXPECT_STREQ(order.back()->name, "butCamEdit");
}

}  // namespace
}  // namespace stanzo
