// The converter over files in memory: what stanzo-songs prints and returns.
#include <gtest/gtest.h>

#include "platform/fake_files.h"
#include "songs/song_files.h"

namespace stanzo::songs {
namespace {

TEST(ConvertSongFiles, PrintsGoodFilesAndNamesBadOnes) {
  testing::FakeFiles files;
  files.files["a.cho"] = "{title: A}\r\n[G]One\r\ntwo\r\n";
  files.files["b.txt"] = "Three\n";
  files.files["c.xml"] = "<song><lyrics>";
  files.files["d.txt"] = "Four\n";
  files.unreadable["e.txt"] = true;
  std::string out;
  std::string errors;
  EXPECT_EQ(ConvertSongFiles({"a.cho", "b.txt", "c.xml", "missing.txt", "d.txt", "e.txt"}, files,
                             &out, &errors),
            1);
  EXPECT_EQ(out, "One\ntwo\n\nThree\n\nFour\n");
  EXPECT_EQ(errors,
            "stanzo-songs: c.xml: XML error at line 1, column 14: "
            "start-end tags mismatch\n"
            "stanzo-songs: missing.txt: no such file\n"
            "stanzo-songs: e.txt: cannot be read\n");

  out.clear(), errors.clear();
  EXPECT_EQ(ConvertSongFiles({"b.txt"}, files, &out, &errors), 0);
  EXPECT_EQ(out, "Three\n");
  EXPECT_EQ(errors, "");
}

}  // namespace
}  // namespace stanzo::songs
