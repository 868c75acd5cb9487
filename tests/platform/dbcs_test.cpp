// The mask rules in a double-byte ANSI code page, under wine started with
// a Japanese locale (code page 932: lead bytes 0x81-0x9F and 0xE0-0xFC).
#include <gtest/gtest.h>

#include <bitset>
#include <string>
#include <vector>

#include "console/console.h"
#include "console/fake_console_view.h"
#include "platform/fake_env.h"

namespace stanzo {
namespace {

using C = Control;

TEST(DoubleByteCodePageTest, TheSystemsLeadBytes) {
  platform::CodePage& codePage = platform::Env::Default().codePage;
  ASSERT_EQ(codePage.Name(), "code page 932") << "run with LC_ALL=ja_JP.UTF-8 (generated)";
  std::bitset<256> want;
  for (int b = 0x81; b <= 0x9F; ++b) want.set(b);
  for (int b = 0xE0; b <= 0xFC; ++b) want.set(b);
  EXPECT_EQ(codePage.LeadBytes(), want);
}

// "ゼ" is 0x83 0x5B in code page 932: read byte by byte, its trail byte
// would open a set and the mask would be invalid.
TEST(DoubleByteCodePageTest, InitMasksPairTheLeadBytes) {
  testing::FakeEnv fake;
  const platform::Env env{
      fake.files, fake.sockets, fake.processes, fake.clock, platform::Env::Default().codePage,
      fake.system};
  testing::FakeConsoleView view;
  Console console(view, env, "/show/stanzo");
  console.FormCreate();
  view.Attach(&console);
  view.SetText(C::edHost, "10.0.0.1");
  console.butConnectClick();
  ASSERT_TRUE(console.IsConnected());
  const std::string ze = "\xE3\x82\xBC";
  const std::string m1 = "@m1 marq-marquee ";
  view.SetText(C::memInit, m1 + ze + "\n" + m1 + "xy\n" + m1 + "xyz\n");
  // Each character the code page stores is matched as its bytes there.
  const struct {
    std::string mask;
    std::string wire;
  } cases[] = {
      {"*" + ze, m1 + ze + "\n"},
      {m1 + "??", m1 + ze + "\n" + m1 + "xy\n"},
      {m1 + "???", m1 + "xyz\n"},
  };
  for (const auto& c : cases) {
    fake.sockets.wire.clear();
    console.Guard([&] { console.RunInitCommands(c.mask); });
    EXPECT_EQ(fake.sockets.wire, c.wire) << c.mask;
  }
  EXPECT_TRUE(view.dialogs.Errors().empty());
}

}  // namespace
}  // namespace stanzo
