#include "text/masks.h"

#include "text/ascii.h"

namespace stanzo {

namespace {

uint8_t Fold(uint8_t b) {
  return static_cast<uint8_t>(FoldUpper(static_cast<char>(b)));
}

// Masks and texts end at their first NUL byte, like the C strings they used
// to be; whatever follows is ignored.
std::string_view UpToNul(std::string_view s) {
  const size_t nul = s.find('\0');
  return nul == std::string_view::npos ? s : s.substr(0, nul);
}

// One scan over the mask. The counting pass (`out` null) returns the number
// of steps and raises every set error, but ignores the star limit, so that a
// malformed set anywhere in the mask is what the operator hears about. The
// filling pass (`out` non-null, reserved at the counted length) stores the
// steps and enforces the star limit; it cannot meet a set error any more.
class MaskScanner {
 public:
  MaskScanner(std::string_view mask, const std::bitset<256>& lead, std::vector<MaskStep>* out)
      : mask_(UpToNul(mask)), lead_(lead), out_(out) {}

  size_t Run() {
    const size_t n = mask_.size();
    for (size_t i = 0; i < n; ++i) {
      const uint8_t c = At(i);
      MaskStep step;
      if (c == '*') {
        pending_star_ = true;
      } else if (c == '?') {
        // After a star, "?" adds nothing: "*?" compiles exactly like "*".
        // This keeps AnyOne steps free of FollowsStar.
        if (!pending_star_) {
          step.Kind = StepKind::AnyOne;
          Emit(step, i);
        }
      } else if (c == '[') {
        step.Kind = StepKind::MemberSet;
        ReadSet(i, step);  // leaves i on the closing "]"
        Emit(step, i);
      } else if (lead_[c] && i + 1 < n) {
        step.Kind = StepKind::BytePair;
        step.First = c;
        step.Second = At(++i);
        Emit(step, i);
      } else {
        // Any other byte, and also a lead byte that ends the mask: that one
        // becomes a one-byte Literal, so nothing reads past the mask.
        step.Kind = StepKind::Literal;
        step.Ch = Fold(c);
        Emit(step, i);
      }
    }
    MaskStep end;  // Literal NUL; takes the pending star of a trailing "*"
    Emit(end, n);
    return count_;
  }

 private:
  uint8_t At(size_t i) const { return static_cast<uint8_t>(mask_[i]); }

  // The message quotes the mask as read, up to its first NUL: an exception
  // message is a C string and could not carry the rest anyway.
  [[noreturn]] void Fail(size_t index) const {
    throw InvalidMask(mask_, static_cast<int>(index + 1));
  }

  // `index` is the 0-based position of the byte that completes the step.
  void Emit(MaskStep& step, size_t index) {
    if (pending_star_) {
      ++star_steps_;
      if (out_ != nullptr && star_steps_ > MaxStarSteps) Fail(index);
    }
    ++count_;
    if (out_ != nullptr) {
      step.FollowsStar = pending_star_;
      out_->push_back(step);
    }
    pending_star_ = false;
  }

  // On entry `i` is on the "["; on return it is on the closing "]".
  void ReadSet(size_t& i, MaskStep& step) {
    const size_t n = mask_.size();
    ++i;
    if (i < n && At(i) == '!') {  // negates only in first place
      step.Negated = true;
      ++i;
    }
    int last = -1;  // last plain member, folded; none yet
    while (i < n && At(i) != ']') {
      const uint8_t c = At(i);
      if (lead_[c]) {
        // A two-byte character is passed over whole and is no member.
        if (i + 1 >= n) {
          i = n;
          break;
        }
        ++i;
      } else if (c == '-') {
        if (last < 0) Fail(i);
        ++i;
        if (i >= n) break;
        // The bound may be "]": it does not close the set then. A reversed
        // range adds nothing, and a range leaves `last` where it was.
        const int high = Fold(At(i));
        for (int v = last; v <= high; ++v) step.Members.set(static_cast<size_t>(v));
      } else {
        last = Fold(c);
        step.Members.set(static_cast<size_t>(last));
      }
      ++i;
    }
    if (i >= n) Fail(n);
    if (step.Members.none()) Fail(i);
  }

  std::string_view mask_;  // up to the first NUL
  const std::bitset<256>& lead_;
  std::vector<MaskStep>* out_;
  bool pending_star_ = false;
  int star_steps_ = 0;
  size_t count_ = 0;
};

// Whether `step` is satisfied at `pos` (0 <= pos <= text.size()). Never reads
// at or past text.size().
bool Satisfied(const MaskStep& step, std::string_view text, size_t pos) {
  const size_t n = text.size();
  switch (step.Kind) {
    case StepKind::Literal:
      if (step.Ch == 0) return pos == n;
      return pos < n && Fold(static_cast<uint8_t>(text[pos])) == step.Ch;
    case StepKind::AnyOne:
      return pos < n;
    case StepKind::MemberSet:
      return pos < n && step.Members[Fold(static_cast<uint8_t>(text[pos]))] != step.Negated;
    case StepKind::BytePair:
      return pos + 1 < n && static_cast<uint8_t>(text[pos]) == step.First &&
             static_cast<uint8_t>(text[pos + 1]) == step.Second;
  }
  return false;
}

// The first position at or after `pos` where `step` is satisfied, or the end
// of the text. Same answer as trying Satisfied() byte by byte (pairs too may
// start on any byte), with the kind decided once instead of per byte.
size_t FindFrom(const MaskStep& step, std::string_view text, size_t pos) {
  const size_t n = text.size();
  auto byte = [&](size_t i) { return static_cast<uint8_t>(text[i]); };
  switch (step.Kind) {
    case StepKind::Literal:
      if (step.Ch == 0) return n;
      while (pos < n && Fold(byte(pos)) != step.Ch) ++pos;
      return pos;
    case StepKind::AnyOne:
      return pos;
    case StepKind::MemberSet:
      while (pos < n && step.Members[Fold(byte(pos))] == step.Negated) ++pos;
      return pos;
    case StepKind::BytePair:
      while (pos + 1 < n && (byte(pos) != step.First || byte(pos + 1) != step.Second)) ++pos;
      return pos + 1 < n ? pos : n;
  }
  return n;
}

}  // namespace

namespace {

std::string InvalidMaskMessage(std::string_view mask, int position) {
  // Built by appending: GCC's -O3 flags the operator+ chain with a false
  // -Wrestrict warning.
  std::string message = "'";
  message += mask;
  message += "' is an invalid mask at (";
  message += std::to_string(position);
  message += ")";
  return message;
}

}  // namespace

InvalidMask::InvalidMask(std::string_view mask, int position)
    : std::runtime_error(InvalidMaskMessage(mask, position)), position_(position) {}

std::bitset<256>& LeadByteSet() {
  // The program hands its code page's lead bytes to each mask (TextMask);
  // this default stays empty there, so a mask compiled without them works
  // byte by byte.
  static std::bitset<256> lead_bytes;
  return lead_bytes;
}

TMask::TMask(std::string_view mask, const std::bitset<256>& leadBytes) {
  const size_t count = MaskScanner(mask, leadBytes, nullptr).Run();
  steps_.reserve(count);
  MaskScanner(mask, leadBytes, &steps_).Run();
}

// Backtracking with a single resume point: the most recent star's next place.
//
// Every step between two stars consumes a fixed number of bytes (one, or two
// for a BytePair), and a step's verdict at a position depends on nothing but
// that position. Each star tries its places left to right, so the first time
// the search reaches a star it reaches it at the leftmost position any cut of
// the text could give it. Whether the rest of the mask fits from a star that
// starts at p can only get worse as p grows (any place open to a later start
// is open to an earlier one). So once the most recent star has no further
// place, no earlier star can help: moving it right only pushes the later star
// right. Older resume points are therefore never needed and the answer is the
// same as an exhaustive search's. Each star's places only move forward, and
// each place costs at most the steps up to the next star: O(text x steps),
// where keeping every resume point costs time combinatorial in the stars.
bool TMask::Accepts(std::string_view whole_text) const {
  const std::string_view text = UpToNul(whole_text);
  const size_t n = text.size();
  const size_t last = steps_.size() - 1;
  size_t pos = 0;
  size_t index = 0;
  bool can_resume = false;
  size_t resume_pos = 0;
  size_t resume_index = 0;
  for (;;) {
    const MaskStep& step = steps_[index];
    if (step.FollowsStar) {
      pos = FindFrom(step, text, pos);
      // At the end of the text only the end step can be satisfied; any other
      // star step has no place left, and then nothing fits (see above).
      if (pos == n) return index == last;
      can_resume = true;
      resume_pos = pos + 1;
      resume_index = index;
    } else if (!Satisfied(step, text, pos)) {
      if (!can_resume) return false;
      pos = resume_pos;
      index = resume_index;
      continue;
    }
    if (index == last) return true;
    pos += step.Kind == StepKind::BytePair ? 2 : 1;
    ++index;
  }
}

bool LineMatchesMask(std::string_view text, std::string_view mask) {
  return TMask(mask).Accepts(text);
}

TextMask::TextMask(std::string_view mask) : bytes_(mask) {}

TextMask::TextMask(std::string_view mask, platform::CodePage& codePage,
                   const std::bitset<256>& leadBytes)
    : bytes_(mask, std::bitset<256>()) {
  std::string inCodePage;
  if (leadBytes.none() || !codePage.FromUtf8(UpToNul(mask), &inCodePage)) return;
  try {
    inCodePage_.emplace(inCodePage, leadBytes);
  } catch (const InvalidMask& e) {
    // The operator reads the mask as typed; the position counts the code
    // page's bytes, where the mask rules count.
    throw InvalidMask(mask, e.Position());
  }
  codePage_ = &codePage;
}

bool TextMask::Accepts(std::string_view text) const {
  if (codePage_ != nullptr) {
    std::string inCodePage;
    if (codePage_->FromUtf8(UpToNul(text), &inCodePage)) return inCodePage_->Accepts(inCodePage);
  }
  return bytes_.Accepts(text);
}

}  // namespace stanzo
