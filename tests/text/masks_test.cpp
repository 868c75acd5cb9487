#include "text/masks.h"

#include <gtest/gtest.h>

#include <bitset>
#include <cstdio>
#include <functional>
#include <initializer_list>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "text/ascii.h"
#include "text/masks_reference.h"

namespace stanzo {
namespace {

using testing::ReferenceAccepts;

std::string Repeat(std::string_view s, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += s;
  return out;
}

// What a mask does to a text: fits, does not fit, or fails to compile.
struct Outcome {
  enum Kind { kFits, kNoFit, kError } kind;
  int position = 0;  // kError only
};
constexpr Outcome kFits{Outcome::kFits};
constexpr Outcome kNoFit{Outcome::kNoFit};
constexpr Outcome Error(int position) {
  return {Outcome::kError, position};
}

struct Case {
  std::string mask;
  std::string text;
  Outcome want;
};

std::string Printable(std::string_view s) {
  std::string out;
  for (unsigned char c : s) {
    if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
    } else {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", c);
      out += buf;
    }
  }
  return out.size() > 70 ? out.substr(0, 67) + "..." : out;
}

void ExpectOutcome(const Case& c) {
  SCOPED_TRACE("mask '" + Printable(c.mask) + "', text '" + Printable(c.text) + "'");
  try {
    const bool fits = LineMatchesMask(c.text, c.mask);
    if (c.want.kind == Outcome::kError) {
      ADD_FAILURE() << "compiled, but should fail at " << c.want.position;
    } else {
      EXPECT_EQ(fits, c.want.kind == Outcome::kFits);
    }
  } catch (const InvalidMask& e) {
    if (c.want.kind != Outcome::kError) {
      ADD_FAILURE() << "unexpected error: " << e.what();
    } else {
      EXPECT_EQ(e.Position(), c.want.position);
      // The message quotes the mask up to its first NUL.
      const std::string quoted = c.mask.substr(0, c.mask.find('\0'));
      EXPECT_EQ(std::string(e.what()),
                "'" + quoted + "' is an invalid mask at (" + std::to_string(c.want.position) + ")");
    }
  }
}

// Fills LeadByteSet for one test and restores it afterwards.
class LeadBytes {
 public:
  explicit LeadBytes(std::initializer_list<uint8_t> bytes) : saved_(LeadByteSet()) {
    for (uint8_t b : bytes) LeadByteSet().set(b);
  }
  ~LeadBytes() { LeadByteSet() = saved_; }
  LeadBytes(const LeadBytes&) = delete;
  LeadBytes& operator=(const LeadBytes&) = delete;

 private:
  std::bitset<256> saved_;
};

TEST(MasksTest, EdgeCases) {
  const std::string a200 = Repeat("a", 200);
  const Case cases[] = {
      // Wildcards.
      {"*", "", kFits},
      {"*", "any text at all", kFits},
      {"", "", kFits},
      {"", "a", kNoFit},
      {"?", "", kNoFit},
      {"?", "x", kFits},
      {"?", "xy", kNoFit},
      {"a?c", "ac", kNoFit},
      {"abc?", "abc", kNoFit},
      {"abc?", "abcd", kFits},
      {"*?", "", kFits},  // the "?" after a star is dropped
      {"a*?", "a", kFits},
      {"?*", "", kNoFit},
      {"?*", "a", kFits},
      // Case: ASCII letters only.
      {"ABC", "abc", kFits},
      {"abc", "ABC", kFits},
      {"*.txt", "file.TXT", kFits},
      {"\xE9", "\xC9", kNoFit},
      {"\xE9", "\xE9", kFits},
      // Sets.
      {"[a-c]", "b", kFits},
      {"[a-c]", "B", kFits},
      {"[a-c]", "d", kNoFit},
      {"[c-a]", "c", kFits},
      {"[c-a]", "C", kFits},
      {"[c-a]", "b", kNoFit},
      {"[c-a]", "a", kNoFit},
      {"[!x]", "y", kFits},
      {"[!x]", "x", kNoFit},
      {"[!x]", "X", kNoFit},
      {"[!x]", "", kNoFit},
      {"[a-c-e]", "d", kFits},
      {"[ac-e]", "b", kNoFit},
      {"[[-~]", "a", kNoFit},
      {"[[-~]", "_", kFits},
      {"[0-z]", "q", kFits},
      {"[0-z]", "_", kNoFit},
      {"[a-]]", "]", kFits},
      {"[a-]]", "a", kFits},
      {"[a-]]", "^", kNoFit},
      {"[a!]", "!", kFits},
      {"[!!]", "!", kNoFit},
      {"[!!]", "a", kFits},
      {"[*?[]", "?", kFits},
      {"[*?[]", "x", kNoFit},
      {"[\xE0-\xFF]", "\xE9", kFits},
      {"[\xE0-\xFF]", "\xC9", kNoFit},
      // Bytes without a role outside a set.
      {"a]", "a]", kFits},
      {"a\\*", "a\\ and more", kFits},
      {"a\\*", "a", kNoFit},
      {"-!", "-!", kFits},
      // Backtracking.
      {"*a", "banana", kFits},
      {"*a*a*a*", "banana", kFits},
      {"*a*a*a*a*", "banana", kNoFit},
      {"a*b*c", "acb", kNoFit},
      {"*ab", "aab", kFits},
      {"*a?c", "abaxc", kFits},
      {"*[ab]c", "bbac", kFits},
      {"*?b", "abb", kFits},
      // Many stars against a long line: must answer at once, either way.
      {Repeat("*a", 30) + "b", a200, kNoFit},
      {Repeat("*a", 30) + "b", a200 + "b", kFits},
      {Repeat("*a", 29) + "*?b", a200 + "cb", kFits},
      // Malformed sets.
      {"[]", "", Error(2)},
      {"[!]", "", Error(3)},
      {"[abc", "", Error(5)},
      {"[-a]", "", Error(2)},
      {"[!-a]", "", Error(3)},
      {"[a-]", "", Error(5)},
      {"[a-", "", Error(4)},
      {"[", "", Error(2)},
      {"[!", "", Error(3)},
      {"ok[]x[", "", Error(4)},  // the first fault in mask order
      // The star limit.
      {Repeat("*a", 30), Repeat("a", 30), kFits},
      {Repeat("*a", 30), Repeat("a", 29), kNoFit},
      {Repeat("*a", 31), "", Error(62)},
      {Repeat("*a", 30) + "*", "", Error(62)},  // the end step is the 31st
      {Repeat("*a", 30) + "*[ab]", "", Error(65)},
      {Repeat("**a", 30), Repeat("a", 30), kFits},
      {Repeat("*?*a", 30), Repeat("a", 30), kFits},
      {Repeat("*?*a", 31), "", Error(124)},
      {Repeat("?", 100) + Repeat("*a", 30), Repeat("a", 130), kFits},
      // Set errors win over an earlier star limit.
      {Repeat("*a", 31) + "[", "", Error(64)},
      // NUL ends texts and masks.
      {"a", std::string("a\0b", 3), kFits},
      {"a?b", std::string("a\0b", 3), kNoFit},
      {std::string("a\0[", 3), "a", kFits},
      {std::string("[a\0]", 4), "a", Error(3)},  // quoted as "'[a'"
      {std::string("*\0a", 3), "xyz", kFits},
  };
  for (const Case& c : cases) ExpectOutcome(c);
}

// The compiled form, one token per step: "*" marks FollowsStar; L<c> a
// Literal, E the end step, ? AnyOne, [..] a set as ranges, P<hex><hex> a pair.
std::string Describe(const TMask& mask) {
  std::string out;
  for (const MaskStep& s : mask.Steps()) {
    if (!out.empty()) out += ' ';
    if (s.FollowsStar) out += '*';
    switch (s.Kind) {
      case StepKind::Literal:
        out += s.Ch == 0 ? std::string("E") : "L" + Printable(std::string(1, char(s.Ch)));
        break;
      case StepKind::AnyOne:
        out += '?';
        break;
      case StepKind::MemberSet:
        out += s.Negated ? "[!" : "[";
        for (int v = 0; v < 256; ++v) {
          if (!s.Members[v] || (v > 0 && s.Members[v - 1])) continue;
          int end = v;
          while (end < 255 && s.Members[end + 1]) ++end;
          out += Printable(std::string(1, char(v)));
          if (end > v) out += "-" + Printable(std::string(1, char(end)));
        }
        out += ']';
        break;
      case StepKind::BytePair: {
        char buf[8];
        std::snprintf(buf, sizeof buf, "P%02X%02X", s.First, s.Second);
        out += buf;
        break;
      }
    }
  }
  return out;
}

TEST(MasksTest, CompiledSteps) {
  const struct {
    std::string mask;
    std::string steps;
  } cases[] = {
      {"", "E"},
      {"*", "*E"},
      {"*?", "*E"},
      {"*?*??", "*E"},
      {"?*", "? *E"},
      {"**a", "*LA E"},
      {"a*?b?", "LA *LB ? E"},
      {"[a-c-e]", "[A-E] E"},
      {"[c-a]x", "[C] LX E"},
      {"[0-z]", "[0-Z] E"},
      {"[a-]]", "[A-]] E"},
      {"[!x]", "[!X] E"},
      {"[!!-!]", "[!!] E"},
      {"]-!\\", "L] L- L! L\\ E"},
      {"\xE9\xC9", "L\\xE9 L\\xC9 E"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mask);
    const TMask mask(c.mask);
    EXPECT_EQ(Describe(mask), c.steps);
    EXPECT_EQ(mask.Steps().capacity(), mask.Steps().size());
  }
}

TEST(MasksTest, OneMaskJudgesManyTexts) {
  const TMask mask("*.TXT");
  EXPECT_TRUE(mask.Accepts("a.txt"));
  EXPECT_FALSE(mask.Accepts("a.txt.bak"));
  EXPECT_TRUE(mask.Accepts(".Txt"));
}

TEST(MasksTest, TwoByteCharacters) {
  const LeadBytes lead{0x81};
  const Case cases[] = {
      {"\x81\x40", "\x81\x40", kFits},
      {"\x81\x40", "\x81\x41", kNoFit},
      {"\x81\x40", "\x81", kNoFit},
      {"\x81"
       "a",
       "\x81"
       "A",
       kNoFit},  // pairs compare exactly
      {"\x81"
       "a",
       "\x81"
       "a",
       kFits},
      {"*\x81\x40", "xx\x81\x40", kFits},
      {"*\x81\x40", "x\x81", kNoFit},
      {"*\x81\x40?", "\x81\x40\x81\x40!", kFits},
      {"*\x81\x81x", "\x81\x81\x81x", kFits},  // the star moves byte by byte
      {"??", "\x81\x40", kFits},
      {"a\x81", "a\x81", kFits},  // a trailing lead byte is a plain Literal
      {"a\x81", "a\x81\x40", kNoFit},
      {"*\x81", "zz\x81", kFits},
      {"[\x81\x40"
       "a]",
       "a", kFits},
      {"[\x81\x40"
       "a]",
       "\x81", kNoFit},
      {"[\x81\x40"
       "a]",
       "\x40", kNoFit},
      {"[!\x81\x40"
       "a]",
       "\x40", kFits},
      {"[a\x81\x40-c]", "b", kFits},
      {"[\x81]", "", Error(4)},  // the "]" belongs to the pair
      {"[\x81", "", Error(3)},
      {"[\x81\x40]", "", Error(4)},
      {"[!\x81\x40]", "", Error(5)},
      {"[\x81\x40-a]", "", Error(4)},
      {Repeat("*a", 30) + "*\x81\x40", "", Error(63)},
      {Repeat("*\x81\x40", 30), Repeat("\x81\x40", 30), kFits},
  };
  for (const Case& c : cases) ExpectOutcome(c);
  EXPECT_EQ(Describe(TMask("\x81\x40*\x81\x81"
                           "a\x81")),
            "P8140 *P8181 LA L\\x81 E");
}

// Runs every mask made of up to `max_tokens` tokens against every text made
// of up to `max_text` bytes of `alphabet`, and compares with the reference.
void CompareExhaustively(const std::vector<std::string>& tokens, int max_tokens,
                         std::string_view alphabet, int max_text) {
  std::vector<std::string> texts{""};
  for (size_t begin = 0, len = 0; len < static_cast<size_t>(max_text); ++len) {
    const size_t end = texts.size();
    for (size_t i = begin; i < end; ++i)
      for (char c : alphabet) texts.push_back(texts[i] + c);
    begin = end;
  }
  size_t masks = 0, compared = 0;
  std::function<void(const std::string&, int)> each = [&](const std::string& mask, int depth) {
    ++masks;
    std::optional<TMask> compiled;
    try {
      compiled.emplace(mask);
    } catch (const InvalidMask& e) {
      ADD_FAILURE() << Printable(mask) << ": " << e.what();
      return;
    }
    for (const std::string& text : texts) {
      const bool fits = compiled->Accepts(text);
      if (fits != *ReferenceAccepts(compiled->Steps(), text)) {
        ADD_FAILURE() << "mask '" << Printable(mask) << "' text '" << Printable(text) << "': got "
                      << fits;
        return;
      }
      ++compared;
    }
    if (depth < max_tokens)
      for (const std::string& t : tokens) each(mask + t, depth + 1);
  };
  each("", 0);
  EXPECT_EQ(compared, masks * texts.size());
}

TEST(MasksTest, AgreesWithReferenceOnSmallMasks) {
  CompareExhaustively({"a", "b", "*", "?", "[a-b]", "[!a]"}, 5, "abB", 5);
}

TEST(MasksTest, AgreesWithReferenceOnSmallTwoByteMasks) {
  const LeadBytes lead{0x81};
  // "\x81a" is a pair; in the set it is passed over and "a" is the member.
  const std::string set =
      "[!\x81"
      "aa]";
  CompareExhaustively({"a", "*", "?", "\x81", set}, 5, "a\x81", 6);
}

// Deterministic random masks over a richer alphabet and longer texts. Half
// of the texts are drawn along the mask, so that many of them fit.
TEST(MasksTest, AgreesWithReferenceOnRandomMasks) {
  const std::vector<std::string> tokens{"a",    "b",     "c",      "B", "*", "*", "?",    "[ab]",
                                        "[!b]", "[a-c]", "[!a-b]", "-", "]", "!", "\xE9", "\x81"};
  const std::string alphabet = "abcAB-]!\xE9\x81\x40";
  for (bool two_byte : {false, true}) {
    std::optional<LeadBytes> lead;
    if (two_byte) lead.emplace(std::initializer_list<uint8_t>{0x81});
    std::mt19937 rng(20240611u);
    auto any_byte = [&] { return alphabet[rng() % alphabet.size()]; };
    int compared = 0, fitting = 0;
    for (int round = 0; round < 50000; ++round) {
      std::string mask, text;
      const bool along = rng() % 2 == 0;
      for (int n = static_cast<int>(rng() % 16); n > 0; --n) {
        const std::string& token = tokens[rng() % tokens.size()];
        mask += token;
        if (!along) continue;
        if (token == "*") {
          for (int k = static_cast<int>(rng() % 4); k > 0; --k) text += any_byte();
        } else if (token == "?" || token[0] == '[') {
          text += any_byte();
        } else {
          text += rng() % 2 ? FoldUpper(token[0]) : FoldLower(token[0]);
        }
      }
      if (!along) {
        for (int n = static_cast<int>(rng() % 30); n > 0; --n) text += any_byte();
      } else if (!text.empty() && rng() % 4 == 0) {
        text[rng() % text.size()] = any_byte();
      }
      const TMask compiled(mask);
      const std::optional<bool> want = ReferenceAccepts(compiled.Steps(), text, 100000);
      if (!want) continue;
      ASSERT_EQ(compiled.Accepts(text), *want)
          << "mask '" << Printable(mask) << "' text '" << Printable(text) << "'";
      ++compared;
      fitting += *want;
    }
    EXPECT_GT(compared, 49000);
    EXPECT_GT(fitting, 5000);
  }
}

// A double-byte code page as far as these tests need it: ASCII, and three
// katakana stored as a lead byte and a trail byte, two of them trail bytes
// that are mask syntax ("[", "?") when read alone.
class TwoByteCodePage final : public platform::CodePage {
 public:
  static constexpr struct {
    const char* utf8;
    const char* bytes;
  } kChars[] = {{"\xE3\x82\xBC", "\x83["},
                {"\xE3\x82\xA2",
                 "\x83"
                 "A"},
                {"\xE3\x83\x8F", "\x83?"}};

  std::string ToUtf8(std::string_view bytes) override { return std::string(bytes); }
  bool FromUtf8(std::string_view utf8, std::string* bytes) override {
    bytes->clear();
    for (size_t i = 0; i < utf8.size();) {
      if (static_cast<unsigned char>(utf8[i]) < 0x80) {
        *bytes += utf8[i++];
        continue;
      }
      bool known = false;
      for (const auto& c : kChars) {
        if (utf8.substr(i, 3) == c.utf8) {
          *bytes += c.bytes;
          i += 3;
          known = true;
          break;
        }
      }
      if (!known) return false;
    }
    return true;
  }
  std::string Name() override { return "two-byte"; }
};

std::bitset<256> TwoByteLeads() {
  std::bitset<256> lead;
  for (int b = 0x81; b <= 0x9F; ++b) lead.set(b);
  for (int b = 0xE0; b <= 0xFC; ++b) lead.set(b);
  return lead;
}

// UTF-8 texts matched in a double-byte code page: a character the code
// page stores counts as one two-byte character, whose trail byte is never
// mask syntax; a mask or text the code page cannot store falls back to its
// UTF-8 bytes.
TEST(TextMaskTest, DoubleByteCodePage) {
  const std::string ze = "\xE3\x82\xBC", a = "\xE3\x82\xA2", ha = "\xE3\x83\x8F";
  const std::string macron = "\xC4\x81";  // not in the code page; 0x81 is a lead byte there
  const struct {
    std::string mask, text;
    bool fits;
  } cases[] = {
      {ze, ze, true},                                // "[" as a trail byte opens no set
      {"@m1 " + ha + "*", "@m1 " + ha + "x", true},  // nor is "?" a wildcard there
      {"@m1 " + ha + "*", "@m1 " + a + "x", false},
      {"??", ze, true},  // two bytes in the code page, three in UTF-8
      {"???", ze, false},
      {"*" + a, "x" + ze + a, true},
      {macron + "*", macron + "x", true},  // the mask falls back: the star stays a star
      {"*" + a, macron + a, true},         // the text falls back
      {"*" + a, macron + ze, false},
  };
  TwoByteCodePage codePage;
  for (const auto& c : cases) {
    const TextMask mask(c.mask, codePage, TwoByteLeads());
    EXPECT_EQ(mask.Accepts(c.text), c.fits) << c.mask << " | " << c.text;
  }
  // An invalid mask is reported as typed, at its position in the code page.
  try {
    TextMask("[" + ze, codePage, TwoByteLeads());
    ADD_FAILURE() << "no error";
  } catch (const InvalidMask& e) {
    EXPECT_EQ(std::string(e.what()),
              "'[" + ze + "' is an invalid mask at (" + std::to_string(e.Position()) + ")");
  }
}

}  // namespace
}  // namespace stanzo
