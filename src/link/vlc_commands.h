// Every command text the console composes itself. Everything else it sends
// (init lines, "@" lines, ad-hoc and camera commands) is operator text,
// passed through unchanged.
#pragma once

#include <string>

namespace stanzo::vlc {

// Prefixes; each ends with one space and is followed by the text.
inline constexpr char kMainMarquee[] = "@m1 marq-marquee ";
inline constexpr char kPreviewMarquee[] = "@m2 marq-marquee ";
inline constexpr char kMainX[] = "@m1 marq-x ";
inline constexpr char kMainY[] = "@m1 marq-y ";

// Marquee text that shows an empty overlay; also the line-break mark.
inline constexpr char kLineBreak[] = "$_";
inline constexpr char kBlank[] = "$_";

// Default init commands, in order.
inline constexpr const char* kDefaultInit[] = {
    "@m1 marq-position 0", "@m1 marq-size 50", "@m1 marq-refresh 100",
    "@m2 marq-position 8", "@m2 marq-size 20", "@m2 marq-refresh 100",
};

// Stress-test set-up and reset commands.
inline constexpr char kStressHi[] = "@m1 marq-marquee Hi";
inline constexpr char kStressPosition5[] = "@m1 marq-position 5";
inline constexpr char kStressPosition0[] = "@m1 marq-position 0";
inline constexpr char kStressSize200[] = "@m1 marq-size 200";
inline constexpr char kStressRefresh50[] = "@m1 marq-refresh 50";
inline constexpr char kStressRefresh100[] = "@m1 marq-refresh 100";

inline std::string MainMarquee(const std::string& text) {
  return kMainMarquee + text;
}
inline std::string PreviewMarquee(const std::string& text) {
  return kPreviewMarquee + text;
}

}  // namespace stanzo::vlc
