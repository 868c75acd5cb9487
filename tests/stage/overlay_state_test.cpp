#include "stage/overlay_state.h"

#include <gtest/gtest.h>

#include <string>

namespace stanzo::stage {
namespace {

TEST(OverlayState, JsonStringsAreValidUtf8WhateverTheBytes) {
  const std::pair<std::string, std::string> cases[] = {
      {"", "\"\""},
      {"plain", "\"plain\""},
      {"a\"b\\c\nd", R"("a\"b\\c\nd")"},
      {std::string("\x01\x1f\0x", 4), R"("\u0001\u001f\u0000x")"},
      {"</script>&<b>", "\"</script>&<b>\""},  // the page sets text, never markup
      {"\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x8E\xB5", "\"\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x8E\xB5\""},
      {"\x80x", "\"\xEF\xBF\xBDx\""},                                // stray continuation
      {"\xC0\xAF", "\"\xEF\xBF\xBD\xEF\xBF\xBD\""},                  // overlong lead
      {"\xE0\x80\xAF", "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\""},  // overlong
      {"\xED\xA0\x80", "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\""},  // surrogate
      {"\xF4\x90\x80\x80", "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\""},
      {"\xE2\x82", "\"\xEF\xBF\xBD\""},    // cut short at the end: one mark
      {"\xE2\x82x", "\"\xEF\xBF\xBDx\""},  // ... and in the middle
      {"\xFF\xFE", "\"\xEF\xBF\xBD\xEF\xBF\xBD\""},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(JsonString(in), out) << in;
}

TEST(OverlayState, CarriesEachMarqueeWithItsTimeLeft) {
  Dialect d;
  for (const char* line : {"@m1 marq-marquee Hi$_there", "@m1 marq-position 6", "@m1 marq-x -4",
                           "@m1 marq-color 0xFF8000", "@m2 marq-timeout 500",
                           "@m2 marq-marquee soon gone", "@m3 marq-opacity 7"}) {
    d.Feed(line, 1000);
  }
  EXPECT_EQ(
      OverlayStateJson(d, 1200),
      R"({"m":[{"text":"Hi\nthere","position":6,"size":0,"color":"#ff8000","opacity":255,)"
      R"("x":-4,"y":0,"remaining":0},{"text":"soon gone","position":-1,"size":0,)"
      R"("color":"#ffffff","opacity":255,"x":0,"y":0,"remaining":300},{"text":"",)"
      R"("position":-1,"size":0,"color":"#ffffff","opacity":7,"x":0,"y":0,"remaining":-1}]})");
  EXPECT_NE(
      OverlayStateJson(d, 1500).find(
          R"("soon gone","position":-1,"size":0,"color":"#ffffff","opacity":255,"x":0,"y":0,"remaining":-1)"),
      std::string::npos);
}

}  // namespace
}  // namespace stanzo::stage
