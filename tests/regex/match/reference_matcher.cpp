#include "tests/regex/match/reference_matcher.h"

#include <cstdint>
#include <vector>

#include "platform/cp932.h"
#include "regex/front/parser.h"

namespace tamsel::test {

namespace {

// Sets of character positions 0..n: one machine word while the text has
// fewer than 64 characters (the exhaustive test runs millions of these), a
// vector of words beyond.
struct SmallSet {
  uint64_t w = 0;
  explicit SmallSet(size_t) {}
  void Set(size_t i) { w |= uint64_t{1} << i; }
  bool Has(size_t i) const { return (w >> i) & 1; }
  bool Empty() const { return w == 0; }
  void Or(const SmallSet& o) { w |= o.w; }
  void And(const SmallSet& o) { w &= o.w; }
  void AndNot(const SmallSet& o) { w &= ~o.w; }
  void Next() { w <<= 1; }  // members never sit at the last position
};

struct BigSet {
  std::vector<uint64_t> w;
  explicit BigSet(size_t count) : w((count + 63) / 64, 0) {}
  void Set(size_t i) { w[i / 64] |= uint64_t{1} << (i % 64); }
  bool Has(size_t i) const { return (w[i / 64] >> (i % 64)) & 1; }
  bool Empty() const {
    for (uint64_t x : w) {
      if (x != 0) return false;
    }
    return true;
  }
  void Or(const BigSet& o) {
    for (size_t i = 0; i < w.size(); ++i) w[i] |= o.w[i];
  }
  void And(const BigSet& o) {
    for (size_t i = 0; i < w.size(); ++i) w[i] &= o.w[i];
  }
  void AndNot(const BigSet& o) {
    for (size_t i = 0; i < w.size(); ++i) w[i] &= ~o.w[i];
  }
  void Next() {
    uint64_t carry = 0;
    for (uint64_t& x : w) {
      const uint64_t out = x >> 63;
      x = (x << 1) | carry;
      carry = out;
    }
  }
};

// The text as characters: code and byte offset of each; offset[n] is the end.
struct Chars {
  std::vector<uint16_t> code;
  std::vector<size_t> offset;
};

Chars SplitChars(std::string_view text) {
  Chars c;
  c.code.resize(text.size());
  c.offset.resize(text.size() + 1);
  uint16_t* code = c.code.data();
  size_t* offset = c.offset.data();
  size_t n = 0;
  size_t i = 0;
  while (i < text.size() && text[i] != 0) {
    const auto b = static_cast<unsigned char>(text[i]);
    offset[n] = i;
    if (IsDBCSLeadByte(b) && i + 1 < text.size() && text[i + 1] != 0) {
      code[n++] = static_cast<uint16_t>(b * 256 + static_cast<unsigned char>(text[i + 1]));
      i += 2;
    } else {
      code[n++] = b;
      i += 1;
    }
  }
  offset[n] = i;
  c.code.resize(n);
  c.offset.resize(n + 1);
  return c;
}

template <class Set>
struct Context {
  const Chars& chars;
  size_t n;  // number of characters
  Set lineStart;
  Set lineEnd;
  // The file grep's view: a line anchor consumes the LF before or after the
  // line instead of standing between characters.
  bool anchorsAsLF = false;

  // From, restricted to positions whose character lies in [lo, hi], each
  // moved past its character.
  Set Step(const Set& From, uint16_t lo, uint16_t hi) const {
    Set p(n + 1);
    for (size_t i = 0; i < n; ++i) {
      if (chars.code[i] >= lo && chars.code[i] <= hi) p.Set(i);
    }
    p.And(From);
    p.Next();
    return p;
  }
};

// The positions where the sub-pattern can end, started at any of From.
// AtStart: nothing of the pattern can stand before this node; AtEnd: nothing
// can follow it.
template <class Set>
Set Eval(const RENode_t* node, const Set& From, bool AtStart, bool AtEnd, const Context<Set>& ctx) {
  switch (node->Op) {
    case reop_Char:
      return ctx.Step(From, node->CharClass.StartChar, node->CharClass.EndChar);
    case reop_LHead:
      if (AtStart && ctx.anchorsAsLF) return ctx.Step(From, 0x0A, 0x0A);
      if (AtStart) {
        Set p = From;
        p.And(ctx.lineStart);
        return p;
      }
      return ctx.Step(From, node->CharClass.StartChar, node->CharClass.EndChar);
    case reop_LTail:
      if (AtEnd && ctx.anchorsAsLF) return ctx.Step(From, 0x0A, 0x0A);
      if (AtEnd) {
        Set p = From;
        p.And(ctx.lineEnd);
        return p;
      }
      return ctx.Step(From, node->CharClass.StartChar, node->CharClass.EndChar);
    case reop_Concat: {
      const Set mid = Eval(node->Children.pLeft, From, AtStart, false, ctx);
      if (mid.Empty()) return mid;
      return Eval(node->Children.pRight, mid, false, AtEnd, ctx);
    }
    case reop_Union: {
      Set p = Eval(node->Children.pLeft, From, AtStart, AtEnd, ctx);
      p.Or(Eval(node->Children.pRight, From, AtStart, AtEnd, ctx));
      return p;
    }
    case reop_Closure: {
      Set reached = From;
      Set frontier = From;
      while (!frontier.Empty()) {
        frontier = Eval(node->Children.pLeft, frontier, false, false, ctx);
        frontier.AndNot(reached);
        reached.Or(frontier);
      }
      return reached;
    }
    case reop_Empty:
      return From;
  }
  return Set(ctx.n + 1);
}

// Leftmost-longest match among the characters from index From on, as
// character indexes (start, end). Only From's own line start is a choice of
// the caller; the other line starts and ends follow from the characters.
using CharMatch = std::optional<std::pair<size_t, size_t>>;

template <class Set>
CharMatch MatchFrom(const RENode_t* root, const Chars& chars, size_t From, char LineEnd,
                    bool FromIsLineStart) {
  const size_t n = chars.code.size();
  Context<Set> ctx{chars, n, Set(n + 1), Set(n + 1)};
  if (FromIsLineStart) ctx.lineStart.Set(From);
  for (size_t i = From; i < n; ++i) {
    if (chars.code[i] == 0x0A) ctx.lineStart.Set(i + 1);
    if (chars.code[i] == static_cast<unsigned char>(LineEnd)) ctx.lineEnd.Set(i);
  }
  ctx.lineEnd.Set(n);

  for (size_t s = From; s <= n; ++s) {
    Set start(n + 1);
    start.Set(s);
    const Set ends = Eval(root, start, true, true, ctx);
    for (size_t e = n + 1; e-- > s;) {
      if (ends.Has(e)) return std::make_pair(s, e);
    }
  }
  return std::nullopt;
}

CharMatch MatchFrom(const RENode_t* root, const Chars& chars, size_t From, char LineEnd,
                    bool FromIsLineStart) {
  if (chars.code.size() < 64) {
    return MatchFrom<SmallSet>(root, chars, From, LineEnd, FromIsLineStart);
  }
  return MatchFrom<BigSet>(root, chars, From, LineEnd, FromIsLineStart);
}

}  // namespace

struct ReferencePattern::Impl {
  explicit Impl(const std::string& pattern) : parser(pattern) { parser.Run(); }
  const RENode_t* Root() const { return parser.ParseTree.pHeadNode; }
  TREParser parser;
};

ReferencePattern::ReferencePattern(const std::string& Pattern)
    : impl_(std::make_unique<Impl>(Pattern)) {}
ReferencePattern::~ReferencePattern() = default;
ReferencePattern::ReferencePattern(ReferencePattern&&) noexcept = default;
ReferencePattern& ReferencePattern::operator=(ReferencePattern&&) noexcept = default;

RefMatch ReferencePattern::Match(std::string_view Text, char LineEnd,
                                 bool TextStartIsLineStart) const {
  const Chars chars = SplitChars(Text);
  const CharMatch m = MatchFrom(impl_->Root(), chars, 0, LineEnd, TextStartIsLineStart);
  if (!m) return std::nullopt;
  return std::make_pair(chars.offset[m->first], chars.offset[m->second] - chars.offset[m->first]);
}

RefMatch ReferenceMatch(const std::string& Pattern, std::string_view Text, char LineEnd,
                        bool TextStartIsLineStart) {
  return ReferencePattern(Pattern).Match(Text, LineEnd, TextStartIsLineStart);
}

std::string ReferenceGSub(const ReferencePattern& Pattern, std::string_view Text, char LineEnd,
                          const std::function<std::string(std::string_view)>& Replace, int* Count) {
  *Count = 0;
  const Chars chars = SplitChars(Text);
  const size_t n = chars.code.size();
  const auto bytes = [&](size_t from, size_t to) {
    return Text.substr(chars.offset[from], chars.offset[to] - chars.offset[from]);
  };
  std::string out;
  size_t pos = 0;  // character index where the next search starts
  do {
    const bool lineStart = pos == 0 || chars.code[pos - 1] == 0x0A;
    const CharMatch m = MatchFrom(Pattern.impl_->Root(), chars, pos, LineEnd, lineStart);
    if (!m) break;
    auto [start, end] = *m;
    out.append(bytes(pos, start));
    out += Replace(bytes(start, end));
    if (start == end && end < n) {
      const bool crlf =
          LineEnd == '\r' && chars.code[end] == 0x0D && end + 1 < n && chars.code[end + 1] == 0x0A;
      const size_t next = end + (crlf ? 2 : 1);
      out.append(bytes(end, next));
      end = next;
    }
    ++*Count;
    pos = end;
  } while (pos < n);
  if (*Count == 0) return std::string(Text);
  out.append(bytes(pos, n));
  return out;
}



namespace {

template <class Set>
std::vector<int64_t> GrepLines(const RENode_t* root, const Chars& chars,
                               const std::vector<int64_t>& lineOf, size_t lastStart) {
  const size_t n = chars.code.size();
  Context<Set> ctx{chars, n, Set(n + 1), Set(n + 1)};
  ctx.anchorsAsLF = true;
  std::vector<int64_t> lines;
  for (size_t s = 0; s < lastStart; ++s) {
    if (!lines.empty() && lines.back() == lineOf[s]) continue;
    Set start(n + 1);
    start.Set(s);
    Set ends = Eval(root, start, true, true, ctx);
    for (size_t e = s + 1; e <= n; ++e) {
      if (ends.Has(e)) {
        lines.push_back(lineOf[s]);
        break;
      }
    }
  }
  return lines;
}

}  // namespace

std::vector<int64_t> ReferenceGrepLines(const std::string& Pattern, std::string_view FileBytes) {
  // The characters as the reader hands them out: an LF before line 1, CR LF
  // and a lone CR as LF, NUL as a space, a final LF supplied.
  std::string text = "\n";
  for (size_t i = 0; i < FileBytes.size(); ++i) {
    const char c = FileBytes[i];
    if (c == '\r') {
      text += '\n';
      if (i + 1 < FileBytes.size() && FileBytes[i + 1] == '\n') ++i;
    } else {
      text += c == '\0' ? ' ' : c;
    }
  }
  if (FileBytes.empty()) return {};
  if (text.back() != '\n') text += '\n';
  const Chars chars = SplitChars(text);
  // Every character but the final LF is a start; an LF starts the next line.
  std::vector<int64_t> lineOf(chars.code.size());
  int64_t line = 0;
  for (size_t i = 0; i < chars.code.size(); ++i) {
    if (chars.code[i] == 0x0A) ++line;
    lineOf[i] = line;
  }
  ReferencePattern pattern(Pattern);
  const RENode_t* root = pattern.impl_->Root();
  const size_t lastStart = chars.code.size() - 1;
  if (chars.code.size() < 64) return GrepLines<SmallSet>(root, chars, lineOf, lastStart);
  return GrepLines<BigSet>(root, chars, lineOf, lastStart);
}

}  // namespace tamsel::test
