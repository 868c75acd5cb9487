#include "link/host_port.h"

#include <gtest/gtest.h>

namespace stanzo {
namespace {

TEST(StrToIntTest, AcceptsOnlySignAndDecimalDigits) {
  const struct {
    const char* text;
    int value;
  } good[] = {
      {"0", 0},
      {"2323", 2323},
      {"+42", 42},
      {"-42", -42},
      {"007", 7},
      {"-0", 0},
      {"2147483647", 2147483647},
      {"-2147483648", -2147483647 - 1},
  };
  for (const auto& c : good) EXPECT_EQ(StrToInt(c.text), c.value) << c.text;

  for (const char* text : {"", "+", "-", " 1", "1 ", "1a", "0x10", "$10", "1.5", "--1", "+-1",
                           "2147483648", "-2147483649", "99999999999999999999", "b:c"}) {
    try {
      StrToInt(text);
      ADD_FAILURE() << "accepted '" << text << "'";
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.what(), "'" + std::string(text) + "' is not a valid integer value");
    }
  }
}

TEST(ParseHostPortTest, SplitsAtTheFirstColon) {
  const struct {
    const char* text;
    const char* host;
    int port;
  } cases[] = {
      {"myhost", "myhost", 2323},
      {"myhost:4212", "myhost", 4212},
      {"127.0.0.1:23", "127.0.0.1", 23},
      {"h:1234567890", "h", 123456789},  // only nine characters count
      {":4212", "", 4212},
      {"", "", 2323},
      {"h:-1", "h", -1},  // not range-checked here
      {"h:99999", "h", 99999},
  };
  for (const auto& c : cases) {
    const HostPort parsed = ParseHostPort(c.text);
    EXPECT_EQ(parsed.host, c.host) << c.text;
    EXPECT_EQ(parsed.port, c.port) << c.text;
  }
}

TEST(ParseHostPortTest, BadPortQuotesTheConvertedText) {
  const struct {
    const char* text;
    const char* message;
  } cases[] = {
      {"myhost:", "'' is not a valid integer value"},
      {"a:b:c", "'b:c' is not a valid integer value"},
      {"h: 23", "' 23' is not a valid integer value"},
      {"h:12345678x9", "'12345678x' is not a valid integer value"},
  };
  for (const auto& c : cases) {
    try {
      ParseHostPort(c.text);
      ADD_FAILURE() << "accepted " << c.text;
    } catch (const EConvertError& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
  }
}

}  // namespace
}  // namespace stanzo
