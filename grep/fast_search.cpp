// The fast file search: a plan made once per automaton (line-local test,
// character classes, needles), a lazily built DFA over sets of automaton
// states, and the search loops over a buffer filled 102400 bytes at a time.
//
// The buffer holds the text as the reader sees it: NUL bytes read as spaces,
// and at the end of the file a final LF when the file lacks one. Line ends
// are LF, CR LF and a lone CR. Every position the loops keep is either the
// start of the current line or lies after it, and a fill keeps the text from
// the current line's start, so a line is always whole in the buffer once its
// end has been read.
#include "grep/fast_search.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <unordered_map>

#include "grep/grep.h"
#include "platform/events.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tamsel {

namespace {

constexpr unsigned char kLF = 0x0A;
constexpr unsigned char kCR = 0x0D;
constexpr size_t kFill = 102400;  // bytes per fill, as the reader reads them
constexpr size_t kMargin = 64;    // zero bytes after the data, for wide loads
constexpr size_t kNpos = static_cast<size_t>(-1);

bool IsLeadByte(unsigned b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// ---------------------------------------------------------------------------
// Characters a file can hold, and how common they are.

// Whether the reader can ever hand out C inside a line or at its end: a byte
// that is not a line end, a lead byte with a trail byte that is not one, and
// the LF that ends a line. (A lead byte alone is a character before a line
// end.)
bool IsPossibleChar(uint32_t C) {
  if (C <= 0xFF) return C != 0 && C != kCR;
  const unsigned lo = C & 0xFF;
  return IsLeadByte(C >> 8) && lo != 0 && lo != kLF && lo != kCR;
}

// A rough cost of searching for character C: how often it turns up in
// Japanese text, on an arbitrary scale. kInfinite: not to be searched for.
constexpr int64_t kInfinite = int64_t{1} << 40;

int64_t CharCost(uint32_t C) {
  if (C == kLF) return kInfinite;
  if (C == 0x20) return 60;
  if (C < 0x80) return 30;
  if (C >= 0xA1 && C <= 0xDF) return 10;  // half-width katakana
  if (C <= 0xFF) return 1;
  if (C >= 0x8140 && C <= 0x81FF) return 20;  // punctuation and symbols
  if (C >= 0x8240 && C <= 0x829E) return 4;   // full-width digits and letters
  if (C >= 0x829F && C <= 0x82FF) return 35;  // hiragana
  if (C >= 0x8340 && C <= 0x8396) return 15;  // katakana
  return 4;                                   // kanji and the rest
}

// Byte frequency ranks in Japanese text (0 rare .. 255 most common), for
// choosing which bytes of a needle to look for.
constexpr uint8_t kByteRank[256] = {
    0,   1,   2,   3,   4,   5,   6,   7,   8,   164, 251, 9,   10,  76,  11,  12,   //
    13,  14,  15,  16,  17,  18,  19,  20,  21,  22,  32,  23,  24,  25,  26,  27,   //
    253, 43,  73,  45,  50,  47,  39,  85,  180, 179, 57,  46,  157, 140, 186, 169,  //
    161, 175, 167, 127, 103, 107, 101, 84,  111, 93,  124, 59,  49,  60,  55,  40,   //
    178, 244, 239, 224, 132, 197, 139, 137, 131, 206, 114, 136, 192, 138, 204, 188,  //
    172, 94,  194, 177, 193, 156, 183, 166, 200, 91,  151, 241, 185, 104, 162, 159,  //
    123, 234, 215, 220, 212, 250, 217, 235, 213, 242, 113, 144, 228, 199, 236, 246,  //
    223, 98,  237, 245, 249, 211, 205, 182, 160, 170, 105, 116, 100, 150, 69,  28,   //
    135, 252, 255, 254, 64,  118, 143, 176, 174, 216, 221, 238, 225, 240, 243, 231,  //
    233, 214, 210, 247, 181, 218, 191, 207, 96,  41,  109, 34,  51,  61,  134, 83,   //
    154, 48,  209, 44,  149, 36,  145, 53,  82,  165, 201, 173, 117, 126, 130, 128,  //
    71,  184, 75,  195, 72,  208, 190, 229, 92,  120, 122, 163, 146, 187, 133, 88,   //
    90,  153, 147, 54,  198, 219, 203, 119, 202, 222, 125, 74,  248, 226, 152, 106,  //
    99,  80,  86,  87,  142, 70,  110, 97,  112, 79,  108, 95,  196, 158, 78,  115,  //
    168, 77,  102, 155, 68,  129, 171, 148, 189, 232, 230, 67,  89,  121, 56,  58,   //
    227, 141, 35,  63,  33,  66,  42,  37,  65,  38,  81,  52,  62,  29,  30,  31,   //
};

// The possible characters of a range, up to Limit + 1 of them (so that a
// caller learns "more than Limit" without walking a huge range).
std::vector<uint32_t> PossibleChars(uint32_t Start, uint32_t End, size_t Limit) {
  std::vector<uint32_t> out;
  for (uint32_t c = Start; c <= End && out.size() <= Limit;) {
    if (c > 0xFF && !IsLeadByte(c >> 8)) {
      c = ((c >> 8) + 1) << 8;  // no character has this high byte
      continue;
    }
    if (IsPossibleChar(c)) out.push_back(c);
    ++c;
  }
  return out;
}

void AppendChar(std::string& S, uint32_t C) {
  if (C > 0xFF) S += static_cast<char>(C >> 8);
  S += static_cast<char>(C & 0xFF);
}

// A character that reads back as itself from its bytes at a character
// boundary inside a line: a plain byte, or a lead byte with a trail byte.
bool IsSelfDecoding(uint32_t C) {
  if (C <= 0xFF) return C != 0 && C != kLF && C != kCR && !IsLeadByte(C);
  return IsPossibleChar(C);
}

// ---------------------------------------------------------------------------
// Needles: a minimum cut between the start state and the accepting states,
// over edges weighted by the cost of their characters.

class TNeedleFinder {
 public:
  explicit TNeedleFinder(const TFastGrepPlan& P) : P(P) {}

  // The needles, or none when every cut costs more than MaxCost or the
  // needles found would cost more than MaxNeedleCost.
  std::vector<std::string> Find(int64_t MaxCost, int64_t MaxNeedleCost);

 private:
  struct TEdge {
    int32_t To;
    int64_t Cap;
    int32_t Rev;    // index of the reverse edge in Adj[To]
    int32_t Trans;  // the automaton transition, -1 for the sink's edges
  };
  void AddEdge(int32_t From, int32_t To, int64_t Cap, int32_t Trans) {
    Adj[From].push_back({To, Cap, static_cast<int32_t>(Adj[To].size()), Trans});
    Adj[To].push_back({From, 0, static_cast<int32_t>(Adj[From].size()) - 1, -1});
  }
  // The characters every walk that reaches From has just read, in text
  // order; only transitions from the states in Sources count (null: all).
  std::vector<WChar> ExtendBack(int32_t From, const std::vector<uint8_t>* Sources) const;
  // The characters every walk from To reads before it accepts; only
  // transitions to the states in Targets count (null: all).
  std::vector<WChar> ExtendForward(int32_t To, const std::vector<uint8_t>* Targets) const;
  // The only possible character of transition t, or 0 when it has none or
  // several, or when it is an LF.
  uint32_t SoleChar(uint32_t t) const {
    std::vector<uint32_t> c = PossibleChars(P.Trans[t].StartChar, P.Trans[t].EndChar, 1);
    return c.size() == 1 && c[0] != kLF ? c[0] : 0;
  }
  bool HasPossibleChar(uint32_t t) const {
    return !PossibleChars(P.Trans[t].StartChar, P.Trans[t].EndChar, 0).empty();
  }

  const TFastGrepPlan& P;
  std::vector<std::vector<TEdge>> Adj;
  std::vector<uint8_t> Reached;                // walked into from the start
  std::vector<std::vector<uint32_t>> InTrans;  // possible transitions into a state
  std::vector<int32_t> TransFrom;              // the state a transition leaves
};

std::vector<WChar> TNeedleFinder::ExtendForward(int32_t To,
                                                const std::vector<uint8_t>* Targets) const {
  std::vector<WChar> out;
  for (int32_t s = To; !P.Accepting[s] && out.size() < 16;) {
    int32_t only = -1;
    for (uint32_t t = P.TransBegin[s]; t < P.TransBegin[s + 1]; ++t) {
      if (!HasPossibleChar(t)) continue;
      if (Targets != nullptr && !(*Targets)[static_cast<size_t>(P.Trans[t].To)]) continue;
      if (only >= 0) return out;
      only = static_cast<int32_t>(t);
    }
    if (only < 0) break;
    const uint32_t c = SoleChar(static_cast<uint32_t>(only));
    if (c == 0) break;
    out.push_back(static_cast<WChar>(c));
    s = P.Trans[static_cast<size_t>(only)].To;
  }
  return out;
}

std::vector<WChar> TNeedleFinder::ExtendBack(int32_t From,
                                             const std::vector<uint8_t>* Sources) const {
  std::vector<WChar> out;
  std::vector<int32_t> states{From};
  while (out.size() < 16) {
    uint32_t c = 0;
    std::vector<int32_t> sources;
    for (int32_t s : states) {
      // A walk may start at the start state with nothing before it.
      if (s == 0) return out;
      for (uint32_t t : InTrans[static_cast<size_t>(s)]) {
        if (Sources != nullptr && !(*Sources)[static_cast<size_t>(TransFrom[t])]) continue;
        const uint32_t tc = SoleChar(t);
        if (tc == 0 || (c != 0 && tc != c)) return out;
        c = tc;
        sources.push_back(TransFrom[t]);
      }
    }
    if (c == 0) return out;
    out.insert(out.begin(), static_cast<WChar>(c));
    std::sort(sources.begin(), sources.end());
    sources.erase(std::unique(sources.begin(), sources.end()), sources.end());
    states = std::move(sources);
  }
  return out;
}

std::vector<std::string> TNeedleFinder::Find(int64_t MaxCost, int64_t MaxNeedleCost) {
  const size_t n = P.Accepting.size();
  const int32_t sink = static_cast<int32_t>(n);
  Adj.assign(n + 1, {});
  Reached.assign(n, 0);
  InTrans.assign(n, {});
  TransFrom.assign(P.Trans.size(), -1);
  for (size_t s = 0; s < n; ++s) {
    for (uint32_t t = P.TransBegin[s]; t < P.TransBegin[s + 1]; ++t) {
      TransFrom[t] = static_cast<int32_t>(s);
    }
  }
  // Walks end at the first accepting state, so only the transitions of the
  // states walked into before acceptance count.
  std::vector<int32_t> stack{0};
  Reached[0] = 1;
  size_t edges = 0;
  while (!stack.empty()) {
    const int32_t s = stack.back();
    stack.pop_back();
    if (P.Accepting[static_cast<size_t>(s)]) {
      AddEdge(s, sink, kInfinite, -1);
      continue;
    }
    for (uint32_t t = P.TransBegin[s]; t < P.TransBegin[s + 1]; ++t) {
      std::vector<uint32_t> chars = PossibleChars(P.Trans[t].StartChar, P.Trans[t].EndChar, 4);
      if (chars.empty()) continue;  // no file holds these characters
      int64_t cost = 0;
      if (chars.size() > 4) {
        cost = kInfinite;
      } else {
        for (uint32_t c : chars) cost = std::min(kInfinite, cost + CharCost(c));
      }
      const int32_t to = P.Trans[t].To;
      AddEdge(s, to, cost, static_cast<int32_t>(t));
      InTrans[static_cast<size_t>(to)].push_back(t);
      if (++edges > 20000) return {};
      if (!Reached[static_cast<size_t>(to)]) {
        Reached[static_cast<size_t>(to)] = 1;
        stack.push_back(to);
      }
    }
  }
  // Augmenting paths, shortest first, until the flow passes MaxCost.
  int64_t flow = 0;
  std::vector<std::pair<int32_t, int32_t>> prev(n + 1);
  for (;;) {
    std::fill(prev.begin(), prev.end(), std::make_pair(-1, -1));
    std::vector<int32_t> queue{0};
    prev[0] = {0, -1};
    for (size_t qi = 0; qi < queue.size() && prev[static_cast<size_t>(sink)].first < 0; ++qi) {
      const int32_t u = queue[qi];
      for (size_t e = 0; e < Adj[static_cast<size_t>(u)].size(); ++e) {
        const TEdge& edge = Adj[static_cast<size_t>(u)][e];
        if (edge.Cap > 0 && prev[static_cast<size_t>(edge.To)].first < 0) {
          prev[static_cast<size_t>(edge.To)] = {u, static_cast<int32_t>(e)};
          queue.push_back(edge.To);
        }
      }
    }
    if (prev[static_cast<size_t>(sink)].first < 0) break;
    int64_t push = kInfinite;
    for (int32_t v = sink; v != 0; v = prev[static_cast<size_t>(v)].first) {
      const auto [u, e] = prev[static_cast<size_t>(v)];
      push = std::min(push, Adj[static_cast<size_t>(u)][static_cast<size_t>(e)].Cap);
    }
    for (int32_t v = sink; v != 0; v = prev[static_cast<size_t>(v)].first) {
      const auto [u, e] = prev[static_cast<size_t>(v)];
      TEdge& edge = Adj[static_cast<size_t>(u)][static_cast<size_t>(e)];
      edge.Cap -= push;
      Adj[static_cast<size_t>(v)][static_cast<size_t>(edge.Rev)].Cap += push;
    }
    flow += push;
    if (flow > MaxCost) return {};
  }
  // The cut: edges from the start's side of the residual graph to the other.
  std::vector<uint8_t> side(n + 1, 0);
  std::vector<int32_t> queue{0};
  side[0] = 1;
  for (size_t qi = 0; qi < queue.size(); ++qi) {
    for (const TEdge& edge : Adj[static_cast<size_t>(queue[qi])]) {
      if (edge.Cap > 0 && !side[static_cast<size_t>(edge.To)]) {
        side[static_cast<size_t>(edge.To)] = 1;
        queue.push_back(edge.To);
      }
    }
  }
  // A match may cross the cut more than once. Before its first crossing it
  // stays on the start's side; after its last one, among the states that
  // reach acceptance without crossing. Either restriction lengthens the
  // needle on one side, with the other side taken unrestricted.
  std::vector<uint8_t> isCut(P.Trans.size(), 0);
  for (size_t u = 0; u < n; ++u) {
    if (!side[u]) continue;
    for (const TEdge& edge : Adj[u]) {
      if (edge.Trans >= 0 && !side[static_cast<size_t>(edge.To)]) {
        isCut[static_cast<size_t>(edge.Trans)] = 1;
      }
    }
  }
  std::vector<uint8_t> finishes(n, 0);
  std::vector<int32_t> pending;
  for (size_t s = 0; s < n; ++s) {
    if (Reached[s] && P.Accepting[s]) {
      finishes[s] = 1;
      pending.push_back(static_cast<int32_t>(s));
    }
  }
  while (!pending.empty()) {
    const int32_t s = pending.back();
    pending.pop_back();
    for (uint32_t t : InTrans[static_cast<size_t>(s)]) {
      const size_t from = static_cast<size_t>(TransFrom[t]);
      if (!isCut[t] && !finishes[from]) {
        finishes[from] = 1;
        pending.push_back(static_cast<int32_t>(from));
      }
    }
  }
  std::vector<std::string> needles;
  for (size_t t = 0; t < P.Trans.size(); ++t) {
    if (!isCut[t]) continue;
    const int32_t u = TransFrom[t];
    const int32_t v = P.Trans[t].To;
    std::vector<WChar> before = ExtendBack(u, nullptr);
    std::vector<WChar> after = ExtendForward(v, &finishes);
    std::vector<WChar> before2 = ExtendBack(u, &side);
    std::vector<WChar> after2 = ExtendForward(v, nullptr);
    if (before2.size() + after2.size() > before.size() + after.size()) {
      before = std::move(before2);
      after = std::move(after2);
    }
    for (uint32_t c : PossibleChars(P.Trans[t].StartChar, P.Trans[t].EndChar, 4)) {
      std::string s;
      for (WChar b : before) AppendChar(s, b);
      AppendChar(s, c);
      for (WChar a : after) AppendChar(s, a);
      needles.push_back(s.substr(0, 32));
    }
  }
  // A needle that holds another is implied by it.
  std::sort(needles.begin(), needles.end(),
            [](const std::string& a, const std::string& b) { return a.size() < b.size(); });
  std::vector<std::string> kept;
  for (const std::string& s : needles) {
    if (std::none_of(kept.begin(), kept.end(),
                     [&](const std::string& k) { return s.find(k) != std::string::npos; })) {
      kept.push_back(s);
    }
  }
  if (kept.empty() || kept.size() > 8) return {};
  // What the search will meet: a longer needle turns up far less often than
  // its rarest character.
  int64_t cost = 0;
  for (const std::string& k : kept) {
    int64_t rarest = kInfinite;
    size_t chars = 0;
    for (size_t i = 0; i < k.size(); ++chars) {
      const unsigned char b = static_cast<unsigned char>(k[i]);
      const bool pair = IsLeadByte(b) && i + 1 < k.size();
      rarest =
          std::min(rarest, CharCost(pair ? (b << 8) | static_cast<unsigned char>(k[i + 1]) : b));
      i += pair ? 2 : 1;
    }
    cost += chars >= 3 ? rarest / 4 : chars == 2 ? rarest / 2 : rarest;
  }
  if (cost > MaxNeedleCost) return {};
  return kept;
}

}  // namespace

// ---------------------------------------------------------------------------
// The plan.

std::shared_ptr<const TFastGrepPlan> TFastGrepPlan::Make(const TRE_DFA& DFA) {
  auto plan = std::make_shared<TFastGrepPlan>();
  TFastGrepPlan& P = *plan;
  const size_t n = DFA.StateList.size();
  if (n == 0 || DFA.pInitialState == nullptr) return nullptr;

  // States by index, the start state first.
  std::unordered_map<const RE_DFAState_t*, int32_t> index;
  std::vector<const RE_DFAState_t*> states;
  states.push_back(DFA.pInitialState);
  for (const auto& s : DFA.StateList) {
    if (s.get() != DFA.pInitialState) states.push_back(s.get());
  }
  for (size_t i = 0; i < states.size(); ++i) index[states[i]] = static_cast<int32_t>(i);
  P.TransBegin.reserve(n + 1);
  for (const RE_DFAState_t* s : states) {
    P.TransBegin.push_back(static_cast<uint32_t>(P.Trans.size()));
    P.Accepting.push_back(s->Accepted != 0);
    for (const RE_DFAStateSub_t& sub : s->SubList) {
      P.Trans.push_back({sub.CharClass.StartChar, sub.CharClass.EndChar, index.at(sub.TransitTo)});
    }
  }
  P.TransBegin.push_back(static_cast<uint32_t>(P.Trans.size()));

  // Line-local: after at least one character, reading an LF from a state
  // that has not accepted leads nowhere a walk could go on from.
  {
    std::vector<uint8_t> seen(n, 0);
    std::vector<int32_t> stack;
    for (uint32_t t = P.TransBegin[0]; t < P.TransBegin[1]; ++t) {
      const int32_t to = P.Trans[t].To;
      if (!seen[static_cast<size_t>(to)]) {
        seen[static_cast<size_t>(to)] = 1;
        stack.push_back(to);
      }
    }
    while (!stack.empty()) {
      const int32_t s = stack.back();
      stack.pop_back();
      if (P.Accepting[static_cast<size_t>(s)]) continue;
      const int32_t after = P.Step(s, kLF);
      if (after >= 0 && !P.Accepting[static_cast<size_t>(after)] &&
          P.TransBegin[static_cast<size_t>(after)] !=
              P.TransBegin[static_cast<size_t>(after) + 1]) {
        return nullptr;
      }
      for (uint32_t t = P.TransBegin[s]; t < P.TransBegin[s + 1]; ++t) {
        const int32_t to = P.Trans[t].To;
        if (!seen[static_cast<size_t>(to)]) {
          seen[static_cast<size_t>(to)] = 1;
          stack.push_back(to);
        }
      }
    }
  }
  P.AfterLineHead = P.Step(0, kLF);

  // Character classes from the range boundaries.
  std::vector<uint32_t> bounds{0};
  for (const TTrans& t : P.Trans) {
    bounds.push_back(t.StartChar);
    if (t.EndChar < 0xFFFF) bounds.push_back(t.EndChar + 1u);
  }
  std::sort(bounds.begin(), bounds.end());
  bounds.erase(std::unique(bounds.begin(), bounds.end()), bounds.end());
  if (bounds.size() > 0xFFFF) return nullptr;
  for (uint32_t b : bounds) P.ClassStart.push_back(static_cast<WChar>(b));
  auto classOf = [&](uint32_t c) {
    return static_cast<uint16_t>(std::upper_bound(bounds.begin(), bounds.end(), c) -
                                 bounds.begin() - 1);
  };
  // Most lead bytes lie in one class with all their trail bytes; only those
  // that a range boundary cuts need a row of their own.
  std::map<std::vector<uint16_t>, int16_t> groups;
  for (unsigned b = 0; b < 256; ++b) {
    P.SingleClass[b] = classOf(b);
    P.LeadGroup[b] = -1;
    if (!IsLeadByte(b)) continue;
    // The key: the class of the lead byte alone, then the trail bytes'
    // classes (just one for a lead byte that no boundary cuts).
    const uint16_t first = classOf(b << 8);
    const bool cut = first != classOf((b << 8) | 0xFF);
    std::vector<uint16_t> key{P.SingleClass[b], first};
    if (cut) {
      key.resize(258);
      for (unsigned t = 0; t < 256; ++t) key[2 + t] = classOf((b << 8) | t);
    }
    auto [it, added] = groups.emplace(std::move(key), static_cast<int16_t>(groups.size()));
    if (added) {
      if (cut) {
        P.GroupTrailClass.insert(P.GroupTrailClass.end(), it->first.begin() + 2, it->first.end());
      } else {
        P.GroupTrailClass.insert(P.GroupTrailClass.end(), 256, first);
      }
      P.GroupLoneClass.push_back(P.SingleClass[b]);
    }
    P.LeadGroup[b] = it->second;
  }

  // The search: a plain string whose characters read back from their bytes
  // needs no automaton; otherwise needles, when cheap enough to look for.
  if (DFA.RegExpIsSimple) {
    std::vector<WChar> chars;
    for (int32_t s = 0; P.TransBegin[s] != P.TransBegin[s + 1]; s = P.Trans[P.TransBegin[s]].To) {
      chars.push_back(P.Trans[P.TransBegin[s]].StartChar);
    }
    size_t from = 0, to = chars.size();
    if (to > 0 && chars[0] == kLF) {
      P.AnchorHead = true;
      ++from;
    }
    if (to > from && chars[to - 1] == kLF) {
      P.AnchorTail = true;
      --to;
    }
    bool self = from < to;
    std::string needle;
    for (size_t i = from; i < to && self; ++i) {
      self = IsSelfDecoding(chars[i]);
      AppendChar(needle, chars[i]);
    }
    if (self && needle.size() <= 32) {
      P.Mode = fgm_Literal;
      P.Needles.push_back(needle);
      return plan;
    }
    P.AnchorHead = P.AnchorTail = false;
  }
  if (P.AfterLineHead < 0 || !P.Accepting[static_cast<size_t>(P.AfterLineHead)]) {
    // Searching for needles pays while they are rarer than about one
    // katakana character and a half.
    P.Needles = TNeedleFinder(P).Find(200, 24);
    if (!P.Needles.empty()) P.Mode = fgm_Prefiltered;
  }
  return plan;
}

std::string TFastGrepPlan::Describe() const {
  switch (Mode) {
    case fgm_Literal:
      return "literal";
    case fgm_Prefiltered:
      return "prefiltered " + std::to_string(Needles.size());
    case fgm_Automaton:
      break;
  }
  return "automaton";
}

namespace {

// ---------------------------------------------------------------------------
// The lazily built DFA over sets of automaton states, byte by byte.
//
// A state at a character boundary holds the automaton states that walks
// begun earlier in the line have reached, plus the start state (a walk may
// begin at every character). A state after a lead byte also knows the lead
// byte's group. Stepping onto an accepting automaton state is a match. A
// line end leads to the state at the start of a line, unless the LF there
// completes a match: then it is reported as such (kEol). Line numbers are
// therefore counted only where a line is reported.

class TLazyDFA {
 public:
  static constexpr uint32_t kEol = 0xFFFFFFFD;
  static constexpr uint32_t kMatch = 0xFFFFFFFE;
  static constexpr uint32_t kUnknown = 0xFFFFFFFF;
  static constexpr uint32_t kSpecial = kEol;  // codes at or above it are not states

  explicit TLazyDFA(const TFastGrepPlan& P) : P(P) { Reset(); }

  // The state at the start of a line (after its LF has been read), or kMatch
  // when that LF alone completes a match.
  uint32_t LineStart() const { return FLineStart; }
  // States made so far, those made again after the cache was emptied
  // included.
  uint64_t Created() const { return FCreated; }
  const uint32_t* Table() const { return FTable.data(); }
  bool EolMatch(uint32_t S) const { return FStates[S >> 8].EolMatch; }

  // Fills in the entry of state S for byte B and returns it. When the cache
  // is full it is emptied first, and S (and Other, a state or a special code
  // another walk holds) are given their new codes.
  uint32_t Resolve(uint32_t& S, unsigned char B, uint32_t& Other);
  uint32_t Resolve(uint32_t& S, unsigned char B) {
    uint32_t none = kMatch;
    return Resolve(S, B, none);
  }

 private:
  static constexpr size_t kMaxStates = 2048;  // 2 MB of transitions
  static constexpr size_t kMaxSetMembers = size_t{1} << 20;

  struct TState {
    std::vector<int32_t> Set;
    int16_t Group;  // -1 at a character boundary
    bool EolMatch;
  };
  struct TKeyHash {
    size_t operator()(const std::vector<int32_t>& v) const {
      uint64_t h = 1469598103934665603ull;
      for (int32_t x : v) h = (h ^ static_cast<uint32_t>(x)) * 1099511628211ull;
      return static_cast<size_t>(h);
    }
  };

  void Reset();
  uint32_t Intern(std::vector<int32_t> Set, int16_t Group);
  // The walks of Set on character class C: kMatch, or the boundary state.
  uint32_t StepSet(const std::vector<int32_t>& Set, uint16_t C);
  std::vector<int32_t> Targets(const std::vector<int32_t>& Set, uint16_t C, bool& Accepts) const;
  bool LfAccepts(const std::vector<int32_t>& Set) const {
    for (int32_t s : Set) {
      const int32_t t = P.Step(s, kLF);
      if (t >= 0 && P.Accepting[static_cast<size_t>(t)]) return true;
    }
    return false;
  }

  const TFastGrepPlan& P;
  std::vector<uint32_t> FTable;
  std::vector<TState> FStates;
  std::unordered_map<std::vector<int32_t>, uint32_t, TKeyHash> FIndex;
  size_t FMembers = 0;
  uint64_t FCreated = 0;
  uint32_t FLineStart = kMatch;
};

void TLazyDFA::Reset() {
  FTable.clear();
  FStates.clear();
  FIndex.clear();
  FMembers = 0;
  const int32_t after = P.AfterLineHead;
  if (after >= 0 && P.Accepting[static_cast<size_t>(after)]) {
    FLineStart = kMatch;
    return;
  }
  std::vector<int32_t> set{0};
  if (after > 0) set.push_back(after);
  FLineStart = Intern(std::move(set), -1);
}

std::vector<int32_t> TLazyDFA::Targets(const std::vector<int32_t>& Set, uint16_t C,
                                       bool& Accepts) const {
  std::vector<int32_t> out;
  Accepts = false;
  for (int32_t s : Set) {
    const int32_t t = P.StepClass(s, C);
    if (t < 0) continue;
    if (P.Accepting[static_cast<size_t>(t)]) Accepts = true;
    out.push_back(t);
  }
  return out;
}

uint32_t TLazyDFA::StepSet(const std::vector<int32_t>& Set, uint16_t C) {
  bool accepts;
  std::vector<int32_t> next = Targets(Set, C, accepts);
  if (accepts) return kMatch;
  next.push_back(0);
  std::sort(next.begin(), next.end());
  next.erase(std::unique(next.begin(), next.end()), next.end());
  return Intern(std::move(next), -1);
}

uint32_t TLazyDFA::Intern(std::vector<int32_t> Set, int16_t Group) {
  std::vector<int32_t> key = Set;
  if (Group >= 0) key.push_back(-1 - Group);
  auto it = FIndex.find(key);
  if (it != FIndex.end()) return it->second;
  bool eol;
  if (Group < 0) {
    eol = LfAccepts(Set);
  } else {
    // The lead byte stands alone before the line end.
    bool accepts;
    std::vector<int32_t> lone = Targets(Set, P.GroupLoneClass[static_cast<size_t>(Group)], accepts);
    eol = accepts || LfAccepts(lone);
  }
  const uint32_t code = static_cast<uint32_t>(FStates.size()) << 8;
  FMembers += Set.size();
  ++FCreated;
  FStates.push_back({std::move(Set), Group, eol});
  FTable.resize(FTable.size() + 256, kUnknown);
  FIndex.emplace(std::move(key), code);
  return code;
}

uint32_t TLazyDFA::Resolve(uint32_t& S, unsigned char B, uint32_t& Other) {
  if (FStates.size() >= kMaxStates || FMembers >= kMaxSetMembers) {
    // Start afresh with only the states in use; what was built is rebuilt
    // as the text needs it.
    TState keep = FStates[S >> 8];
    TState other = Other < kSpecial ? FStates[Other >> 8] : TState{{}, -1, false};
    Reset();
    S = Intern(std::move(keep.Set), keep.Group);
    if (Other < kSpecial) Other = Intern(std::move(other.Set), other.Group);
  }
  const TState& st = FStates[S >> 8];
  uint32_t next;
  if (B == kLF || B == kCR) {
    // A line end that completes nothing just starts the next line: the walk
    // need not stop there. (The LF of a CR LF pair then reads at the line
    // start, which is harmless unless that state stops at line ends.)
    next = st.EolMatch || FLineStart == kMatch ? kEol : FLineStart;
  } else if (st.Group >= 0) {
    next = StepSet(st.Set, P.GroupTrailClass[static_cast<size_t>(st.Group) * 256 + B]);
  } else if (P.LeadGroup[B] >= 0) {
    next = Intern(std::vector<int32_t>(st.Set), P.LeadGroup[B]);
  } else {
    next = StepSet(st.Set, P.SingleClass[B]);
  }
  FTable[S + B] = next;
  return next;
}

// ---------------------------------------------------------------------------
// Byte scans over the buffer.

// The first LF or CR in [From, To), or kNpos.
size_t FindLineEnd(const unsigned char* Buf, size_t From, size_t To, bool HasCR) {
  if (From >= To) return kNpos;
  const void* lf = std::memchr(Buf + From, kLF, To - From);
  size_t end = lf ? static_cast<size_t>(static_cast<const unsigned char*>(lf) - Buf) : To;
  if (HasCR && end > From) {
    const void* cr = std::memchr(Buf + From, kCR, end - From);
    if (cr) end = static_cast<size_t>(static_cast<const unsigned char*>(cr) - Buf);
  }
  return end < To ? end : kNpos;
}

// The last LF or CR in [From, To), or kNpos.
size_t FindLastLineEnd(const unsigned char* Buf, size_t From, size_t To, bool HasCR) {
  if (From >= To) return kNpos;
  const void* lf = memrchr(Buf + From, kLF, To - From);
  size_t last = lf ? static_cast<size_t>(static_cast<const unsigned char*>(lf) - Buf) : kNpos;
  if (HasCR) {
    const size_t from = last == kNpos ? From : last + 1;
    if (from < To) {
      const void* cr = memrchr(Buf + from, kCR, To - from);
      if (cr) last = static_cast<size_t>(static_cast<const unsigned char*>(cr) - Buf);
    }
  }
  return last;
}

size_t CountByte(const unsigned char* P, size_t N, unsigned char B) {
  size_t count = 0;
  size_t i = 0;
#if defined(__SSE2__)
  const __m128i needle = _mm_set1_epi8(static_cast<char>(B));
  const __m128i zero = _mm_setzero_si128();
  while (i + 16 <= N) {
    // Up to 255 rounds of byte counters before they are summed.
    __m128i acc = zero;
    const size_t rounds = std::min<size_t>((N - i) / 16, 255);
    for (size_t r = 0; r < rounds; ++r, i += 16) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(P + i));
      acc = _mm_sub_epi8(acc, _mm_cmpeq_epi8(v, needle));
    }
    const __m128i sums = _mm_sad_epu8(acc, zero);
    count += static_cast<size_t>(_mm_cvtsi128_si32(sums)) +
             static_cast<size_t>(_mm_extract_epi16(sums, 4));
  }
#endif
  for (; i < N; ++i) count += P[i] == B;
  return count;
}

// The line ends that begin in [From, To): LFs, and CRs not followed by an LF.
// To is a line start, so a CR LF pair never straddles it.
int64_t CountLineEnds(const unsigned char* Buf, size_t From, size_t To, bool HasCR) {
  if (From >= To) return 0;
  int64_t n = static_cast<int64_t>(CountByte(Buf + From, To - From, kLF));
  if (HasCR) {
    for (size_t i = From; i < To; ++i) {
      if (Buf[i] == kCR && Buf[i + 1] != kLF) ++n;
    }
  }
  return n;
}

// ---------------------------------------------------------------------------
// Needle search.

class TNeedleSearch {
 public:
  explicit TNeedleSearch(const std::vector<std::string>& Needles) {
    for (const std::string& s : Needles) {
      TNeedle n;
      n.Bytes = s;
      // The two rarest bytes, so that few places pass the first test.
      size_t a = 0, b = 0;
      for (size_t i = 1; i < s.size(); ++i) {
        if (kByteRank[static_cast<unsigned char>(s[i])] <
            kByteRank[static_cast<unsigned char>(s[a])]) {
          a = i;
        }
      }
      b = a == 0 && s.size() > 1 ? 1 : 0;
      for (size_t i = 0; i < s.size(); ++i) {
        if (i != a && kByteRank[static_cast<unsigned char>(s[i])] <
                          kByteRank[static_cast<unsigned char>(s[b])]) {
          b = i;
        }
      }
      if (s.size() == 1) b = a;
      n.OffA = std::min(a, b);
      n.OffB = std::max(a, b);
      FMaxLen = std::max(FMaxLen, s.size());
      FNeedles.push_back(std::move(n));
    }
  }

  size_t MaxLen() const { return FMaxLen; }

  // The first position in [From, Len) where a needle lies whole before Len,
  // or kNpos. Reads up to kMargin bytes past Len, which must be zero.
  size_t Find(const unsigned char* Buf, size_t From, size_t Len) const {
    if (FNeedles.size() == 1 && FNeedles[0].Bytes.size() == 1) {
      const void* p =
          From < Len ? std::memchr(Buf + From, FNeedles[0].Bytes[0], Len - From) : nullptr;
      return p ? static_cast<size_t>(static_cast<const unsigned char*>(p) - Buf) : kNpos;
    }
    size_t x = From;
#if defined(__SSE2__)
    __m128i firsts[8], seconds[8];
    const size_t count = FNeedles.size();
    for (size_t k = 0; k < count; ++k) {
      const TNeedle& n = FNeedles[k];
      firsts[k] = _mm_set1_epi8(n.Bytes[n.OffA]);
      seconds[k] = _mm_set1_epi8(n.Bytes[n.OffB]);
    }
    for (; x < Len; x += 16) {
      unsigned mask = 0;
      for (size_t k = 0; k < count; ++k) {
        const TNeedle& n = FNeedles[k];
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Buf + x + n.OffA));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Buf + x + n.OffB));
        mask |= static_cast<unsigned>(_mm_movemask_epi8(
            _mm_and_si128(_mm_cmpeq_epi8(a, firsts[k]), _mm_cmpeq_epi8(b, seconds[k]))));
      }
      for (; mask != 0; mask &= mask - 1) {
        const size_t pos = x + static_cast<size_t>(__builtin_ctz(mask));
        if (pos >= Len) return kNpos;
        if (MatchesAt(Buf, pos, Len)) return pos;
      }
    }
    return kNpos;
#else
    for (; x < Len; ++x) {
      if (MatchesAt(Buf, x, Len)) return x;
    }
    return kNpos;
#endif
  }

 private:
  struct TNeedle {
    std::string Bytes;
    size_t OffA = 0;
    size_t OffB = 0;
  };
  bool MatchesAt(const unsigned char* Buf, size_t Pos, size_t Len) const {
    for (const TNeedle& n : FNeedles) {
      if (Pos + n.Bytes.size() <= Len &&
          std::memcmp(Buf + Pos, n.Bytes.data(), n.Bytes.size()) == 0)
        return true;
    }
    return false;
  }

  std::vector<TNeedle> FNeedles;
  size_t FMaxLen = 0;
};

// ---------------------------------------------------------------------------
// The file, read into one buffer that keeps the current line.

std::string SystemMessage(const std::string& FileName, int err) {
  return FileName + ": " + std::strerror(err);
}

class TFillReader {
 public:
  TFillReader(const std::string& FileName, const bool* pCancel)
      : FFileName(FileName), FpCancel(pCancel) {
    if (FileName.find('\0') != std::string::npos) {
      throw EFileNotFound(SystemMessage(FileName, ENOENT));
    }
    // Allocated first: nothing after the open may fail without closing.
    FBuf.resize(kAlign + 2 * kFill + kMargin);
    FFile = ::open(FileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (FFile < 0) throw EFileNotFound(SystemMessage(FileName, errno));
    struct stat st;
    if (::fstat(FFile, &st) == 0 && S_ISDIR(st.st_mode)) {
      ::close(FFile);
      throw EFileNotFound(SystemMessage(FileName, EISDIR));
    }
  }
  ~TFillReader() { ::close(FFile); }
  TFillReader(const TFillReader&) = delete;
  TFillReader& operator=(const TFillReader&) = delete;

  const unsigned char* Data() const { return FBuf.data() + FBase; }
  size_t Len() const { return FLen; }
  bool Eof() const { return FEof; }
  bool HasCR() const { return FHasCR; }

  // Drops the bytes before Keep (Shift := Keep) and reads one fill after the
  // rest. False, with nothing changed, once the end of the file has been
  // reached (or for an empty file).
  bool Fill(size_t Keep, size_t& Shift);

 private:
  std::string FFileName;
  const bool* FpCancel;
  int FFile = -1;
  static constexpr size_t kAlign = 64;
  std::vector<unsigned char> FBuf;
  size_t FBase = 0;  // the text begins at FBuf[FBase]
  size_t FLen = 0;
  bool FEof = false;
  bool FHasCR = false;
  bool FAnyByte = false;
  unsigned char FLastByte = 0;
};

// NUL bytes in [D, D + N) read as spaces; true when a CR is there (looked
// for only with LookForCR). One pass over the fill.
bool NormalizeFill(unsigned char* D, size_t N, bool LookForCR) {
  bool cr = false;
  size_t i = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  const __m128i crs = _mm_set1_epi8(LookForCR ? static_cast<char>(kCR) : 0);
  for (; i + 16 <= N; i += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(D + i));
    if (_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, zero), _mm_cmpeq_epi8(v, crs))) == 0) {
      continue;
    }
    for (size_t j = i; j < i + 16; ++j) {
      if (D[j] == 0) D[j] = ' ';
      cr = cr || (LookForCR && D[j] == kCR);
    }
  }
#endif
  for (; i < N; ++i) {
    if (D[i] == 0) D[i] = ' ';
    cr = cr || (LookForCR && D[i] == kCR);
  }
  return cr;
}

bool TFillReader::Fill(size_t Keep, size_t& Shift) {
  Shift = 0;
  if (FEof) return false;
  // The text kept moves to where the next read lands on a cache line
  // boundary, which the system copies into fastest.
  const size_t carry = FLen - Keep;
  const size_t need = kAlign + carry + kFill + kMargin + 1;
  if (FBuf.size() < need) FBuf.resize(std::max(FBuf.size() * 2, need));
  const uintptr_t at = reinterpret_cast<uintptr_t>(FBuf.data()) + carry;
  const size_t base = (kAlign - at % kAlign) % kAlign;
  std::memmove(FBuf.data() + base, FBuf.data() + FBase + Keep, carry);
  FBase = base;
  FLen = carry;
  Shift = Keep;
  unsigned char* d = FBuf.data() + FBase + FLen;
  size_t n = 0;
  while (n < kFill) {
    const ssize_t r = ::read(FFile, d + n, kFill - n);
    if (r < 0) {
      if (errno == EINTR) continue;
      throw EInOutError(SystemMessage(FFileName, errno));
    }
    if (r == 0) {
      FEof = true;
      break;
    }
    n += static_cast<size_t>(r);
  }
  if (n == 0 && !FAnyByte) return false;  // an empty file
  if (n > 0) {
    FAnyByte = true;
    if (NormalizeFill(d, n, !FHasCR)) FHasCR = true;
    FLastByte = d[n - 1];
    FLen += n;
  }
  unsigned char* data = FBuf.data() + FBase;
  if (FEof && FLastByte != kLF) {
    data[FLen++] = kLF;
    FLastByte = kLF;
  }
  std::memset(data + FLen, 0, kMargin);
  if (n > 0) {
    ProcessMessages();
    if (FpCancel != nullptr && *FpCancel) throw EGrepCancel();
  }
  return true;
}

// ---------------------------------------------------------------------------
// The search.

class TFastSearch {
 public:
  TFastSearch(TGrep& Grep, const TFastGrepPlan& Plan, const std::string& FileName)
      : G(Grep), P(Plan), R(FileName, &Grep.Cancel) {}

  void Run() {
    size_t shift;
    if (!R.Fill(0, shift)) return;
    if (P.Mode == TFastGrepPlan::fgm_Automaton) {
      RunAutomaton();
    } else {
      RunNeedles();
    }
  }

 private:
  // Reports the line [Ls, E) with the current number.
  void Report(size_t Ls, size_t E) {
    ProcessMessages();
    if (G.Cancel) throw EGrepCancel();
    RE_LineInfo_t info;
    info.Line.assign(reinterpret_cast<const char*>(R.Data()) + Ls, E - Ls);
    info.LineNo = FLineNo;
    // A copy, so that the handler may reassign OnMatch while it runs.
    if (TGrepOnMatch handler = G.OnMatch) handler(G, info);
  }

  // Reads on, keeping the text from Keep; the positions given move with it.
  template <typename... T>
  bool FillKeeping(size_t Keep, T&... Positions) {
    size_t shift;
    if (!R.Fill(Keep, shift)) return false;
    ((Positions -= shift), ...);
    // When the lazy DFA keeps making states after the first fill (it
    // empties its cache again and again), a walk from each start, as the
    // straightforward search does, is cheaper. Patterns that settle make a
    // few states a fill at most; making a state costs about as much as
    // walking 64 bytes from every start.
    if (FFilled && FDFA.Created() - FCreatedAtFill > kFill / 64) FWalkStarts = true;
    FFilled = true;
    FCreatedAtFill = FDFA.Created();
    return true;
  }

  // The start of the line after the line end at E (a CR LF pair is one line
  // end); reads on when a CR ends the data.
  size_t AfterLineEnd(size_t& Ls, size_t& E) {
    if (R.Data()[E] == kCR && E + 1 == R.Len()) FillKeeping(Ls, Ls, E);
    return E + 1 + (R.Data()[E] == kCR && R.Data()[E + 1] == kLF ? 1 : 0);
  }

  // The end of the line that holds From: reads on until it is in the buffer.
  size_t LineEndFrom(size_t& Ls, size_t From) {
    for (;;) {
      const size_t e = FindLineEnd(R.Data(), From, R.Len(), R.HasCR());
      if (e != kNpos) return e;
      From = R.Len();
      // Not reached: at the end of the file the data ends with an LF.
      if (!FillKeeping(Ls, Ls, From)) return R.Len();
    }
  }

  void RunAutomaton();
  void RunBlock(size_t From, size_t To, uint32_t S);
  void RunNeedles();
  bool VerifyLine(size_t Ls, size_t E);
  bool WalkStarts(size_t Ls, size_t E) const;
  void RunWalks(size_t Ls);

  TGrep& G;
  const TFastGrepPlan& P;
  TFillReader R;
  TLazyDFA FDFA{P};
  int64_t FLineNo = 1;
  size_t FCounted = 0;       // the automaton search: line ends before it are in FLineNo
  bool FWalkStarts = false;  // lines are searched by WalkStarts from here on
  uint64_t FCreatedAtFill = 0;
  bool FFilled = false;  // a fill has been searched
};

// The start of the line that holds Pos: after the last line end in
// [From, Pos), or From.
size_t LineStartOf(const unsigned char* Buf, size_t From, size_t Pos, bool HasCR) {
  const size_t last = FindLastLineEnd(Buf, From, Pos, HasCR);
  return last == kNpos ? From : last + 1;
}

// Every byte through the lazy DFA. Whole lines go by blocks (RunBlock); the
// rest of the buffer, the start of a line that goes on in the next fill, is
// walked here. FCounted is where the line numbers have been counted to.
void TFastSearch::RunAutomaton() {
  if (FDFA.LineStart() == TLazyDFA::kMatch) {
    // The LF before a line completes a match: every line is reported.
    for (size_t ls = 0;;) {
      size_t e = LineEndFrom(ls, ls);
      Report(ls, e);
      ls = AfterLineEnd(ls, e);
      ++FLineNo;
      while (ls == R.Len()) {
        if (!FillKeeping(ls, ls)) return;
      }
    }
  }
  size_t p = 0;
  uint32_t s = FDFA.LineStart();
  for (;;) {
    if (FWalkStarts) {
      // The current line has not been reported: it is searched again from
      // its start.
      const size_t ls = LineStartOf(R.Data(), FCounted, p, R.HasCR());
      FLineNo += CountLineEnds(R.Data(), FCounted, ls, R.HasCR());
      RunWalks(ls);
      return;
    }
    // A CR at the very end may still be followed by its LF.
    const size_t lim = R.Eof() ? R.Len() : R.Len() - 1;
    const size_t last = FindLastLineEnd(R.Data(), p, lim, R.HasCR());
    if (last != kNpos && last - p >= 4096) {
      size_t to = last + 1;
      if (R.Data()[last] == kCR && R.Data()[to] == kLF) ++to;
      RunBlock(p, to, s);
      p = to;
      s = FDFA.LineStart();
    }
    const unsigned char* buf = R.Data();
    const size_t len = R.Len();
    const uint32_t* table = FDFA.Table();
    uint32_t next = 0;
    while (p < len) {
      next = table[s + buf[p]];
      if (next >= TLazyDFA::kSpecial) break;
      s = next;
      ++p;
    }
    if (p == len) {
      // Keep the current line (from its CR when a CR ends the data, so that
      // an LF after it is known as its pair).
      size_t keep =
          len > 0 && buf[len - 1] == kCR ? len - 1 : LineStartOf(buf, FCounted, len, R.HasCR());
      keep = std::max(keep, FCounted);
      FLineNo += CountLineEnds(buf, FCounted, keep, R.HasCR());
      FCounted = keep;
      if (!FillKeeping(keep, p, FCounted)) return;
      continue;
    }
    if (next == TLazyDFA::kUnknown) {
      next = FDFA.Resolve(s, buf[p]);
      if (next < TLazyDFA::kSpecial) {
        s = next;
        ++p;
        continue;
      }
    }
    if (next == TLazyDFA::kEol && buf[p] == kLF && p > 0 && buf[p - 1] == kCR) {
      ++p;  // the LF of a CR LF pair whose CR has been read
      continue;
    }
    size_t ls = LineStartOf(buf, FCounted, p, R.HasCR());
    FLineNo += CountLineEnds(buf, FCounted, ls, R.HasCR());
    FCounted = ls;
    size_t e = next == TLazyDFA::kEol ? p : LineEndFrom(FCounted, p);
    Report(FCounted, e);
    p = AfterLineEnd(FCounted, e);
    s = FDFA.LineStart();
  }
}

// Whole lines [From, To) through the lazy DFA, starting in state S, in two
// parts walked side by side (each step waits for a load from the table, and
// two independent walks overlap their waits); the lines found are reported
// afterwards, in order.
void TFastSearch::RunBlock(size_t From, size_t To, uint32_t S) {
  const unsigned char* buf = R.Data();
  const bool hasCR = R.HasCR();
  struct TWalk {
    size_t Pos, End, Bound;  // Bound: a line start (or CR) at or before Pos
    uint32_t State;
    std::vector<std::pair<size_t, size_t>> Found;  // matching lines
  };
  size_t mid = FindLineEnd(buf, From + (To - From) / 2, To, hasCR);
  mid = mid == kNpos ? To : mid + 1 + (buf[mid] == kCR && buf[mid + 1] == kLF ? 1 : 0);
  TWalk walks[2] = {{From, mid, FCounted, S, {}}, {mid, To, mid, FDFA.LineStart(), {}}};
  // One step of a walk that the fast loop below could not take.
  auto slowStep = [&](TWalk& w, TWalk& other) {
    uint32_t next = FDFA.Table()[w.State + buf[w.Pos]];
    if (next == TLazyDFA::kUnknown) next = FDFA.Resolve(w.State, buf[w.Pos], other.State);
    if (next < TLazyDFA::kSpecial) {
      w.State = next;
      ++w.Pos;
      return;
    }
    if (next == TLazyDFA::kEol && buf[w.Pos] == kLF && w.Pos > 0 && buf[w.Pos - 1] == kCR) {
      ++w.Pos;  // the LF of a CR LF pair whose CR has been read
      return;
    }
    const size_t ls = LineStartOf(buf, w.Bound, w.Pos, hasCR);
    const size_t e = next == TLazyDFA::kEol ? w.Pos : FindLineEnd(buf, w.Pos, w.End, hasCR);
    w.Found.emplace_back(ls, e);
    w.Pos = w.Bound = e + 1 + (buf[e] == kCR && buf[e + 1] == kLF ? 1 : 0);
    w.State = FDFA.LineStart();
  };
  TWalk& a = walks[0];
  TWalk& b = walks[1];
  while (a.Pos < a.End && b.Pos < b.End) {
    const uint32_t* table = FDFA.Table();
    uint32_t sa = a.State, sb = b.State;
    size_t pa = a.Pos, pb = b.Pos;
    const size_t steps = std::min(a.End - pa, b.End - pb);
    for (size_t i = 0; i < steps; ++i) {
      const uint32_t na = table[sa + buf[pa]];
      const uint32_t nb = table[sb + buf[pb]];
      if ((na | nb) >= TLazyDFA::kSpecial) break;
      sa = na;
      sb = nb;
      ++pa;
      ++pb;
    }
    a.State = sa;
    b.State = sb;
    a.Pos = pa;
    b.Pos = pb;
    if (a.Pos < a.End) slowStep(a, b);
    if (b.Pos < b.End) slowStep(b, a);
  }
  for (TWalk* w : {&a, &b}) {
    while (w->Pos < w->End) slowStep(*w, w == &a ? b : a);
  }
  // The reports, with the line numbers counted between them.
  for (const TWalk& w : walks) {
    for (const auto& [ls, e] : w.Found) {
      FLineNo += CountLineEnds(buf, FCounted, ls, hasCR);
      FCounted = ls;
      Report(ls, e);
    }
  }
  FLineNo += CountLineEnds(buf, FCounted, To, hasCR);
  FCounted = To;
}

// Whether a walk of the automaton from some start of the line [Ls, E) (the
// LF before it, or one of its characters) accepts, the characters read as
// the reader hands them out: the straightforward search, on one line.
bool TFastSearch::WalkStarts(size_t Ls, size_t E) const {
  const unsigned char* buf = R.Data();
  // The character at I, and I moved past it; the LF at E ends the line.
  auto read = [&](size_t& I) -> WChar {
    if (I >= E) {
      I = E + 1;
      return kLF;
    }
    const unsigned char b = buf[I++];
    if (IsLeadByte(b) && I < E) return static_cast<WChar>((b << 8) | buf[I++]);
    return b;
  };
  // A walk in state S, reading on at I.
  auto walk = [&](int32_t S, size_t I) {
    while (S >= 0) {
      if (P.Accepting[static_cast<size_t>(S)]) return true;
      if (I > E) return false;  // nothing can follow the line end
      S = P.Step(S, read(I));
    }
    return false;
  };
  if (walk(P.Step(0, kLF), Ls)) return true;
  for (size_t i = Ls; i < E;) {
    const WChar c = read(i);
    if (walk(P.Step(0, c), i)) return true;
  }
  return false;
}

// The rest of the file, line by line, by WalkStarts; FLineNo is the number
// of the line at Ls.
void TFastSearch::RunWalks(size_t Ls) {
  for (;;) {
    while (Ls == R.Len()) {
      if (!FillKeeping(Ls, Ls)) return;
    }
    size_t e = LineEndFrom(Ls, Ls);
    if (WalkStarts(Ls, e)) Report(Ls, e);
    Ls = AfterLineEnd(Ls, e);
    ++FLineNo;
  }
}

// The lazy DFA over one whole line [Ls, E), E its line end.
bool TFastSearch::VerifyLine(size_t Ls, size_t E) {
  uint32_t s = FDFA.LineStart();
  if (s == TLazyDFA::kMatch) return true;
  const unsigned char* buf = R.Data();
  for (size_t p = Ls; p < E; ++p) {
    uint32_t next = FDFA.Table()[s + buf[p]];
    if (next == TLazyDFA::kUnknown) next = FDFA.Resolve(s, buf[p]);
    if (next == TLazyDFA::kMatch) return true;
    s = next;
  }
  return FDFA.EolMatch(s);
}

// Needles first: only the lines that hold one are looked at closely.
void TFastSearch::RunNeedles() {
  const TNeedleSearch needles(P.Needles);
  const bool literal = P.Mode == TFastGrepPlan::fgm_Literal;
  const size_t needleLen = literal ? P.Needles[0].size() : 0;
  size_t ls = 0;       // the current line's start; FLineNo is its number
  size_t scanned = 0;  // [ls, scanned) holds no line end
  size_t known = 0;    // a character boundary in the current line
  size_t q = 0;        // where the needle search goes on
  for (;;) {
    const size_t c = needles.Find(R.Data(), q, R.Len());
    if (c == kNpos) {
      if (R.Eof()) return;
      // Keep only the last, unfinished line; a CR at the very end may still
      // be followed by its LF.
      const size_t lim = R.Len() - 1;
      const size_t last = FindLastLineEnd(R.Data(), std::max(ls, scanned), lim, R.HasCR());
      if (last != kNpos) {
        size_t next = last + 1;
        if (R.Data()[last] == kCR && R.Data()[next] == kLF) ++next;
        FLineNo += CountLineEnds(R.Data(), ls, next, R.HasCR());
        ls = known = next;
      }
      scanned = std::max(ls, lim);
      q = std::max(ls, R.Len() - std::min(R.Len(), needles.MaxLen() - 1));
      FillKeeping(ls, ls, scanned, known, q);
      continue;
    }
    // The line that holds the needle.
    const size_t last = FindLastLineEnd(R.Data(), std::max(ls, scanned), c, R.HasCR());
    if (last != kNpos) {
      FLineNo += CountLineEnds(R.Data(), ls, last + 1, R.HasCR());
      ls = known = last + 1;
    }
    scanned = c;
    // Only a needle at a character boundary can be part of a match. The
    // lead bytes right before it decide: from a byte that is not one (it
    // ends a character) or from a known boundary, they pair up.
    size_t k = c;
    while (k > known && IsLeadByte(R.Data()[k - 1])) --k;
    if ((c - k) % 2 != 0) {
      known = c + 1;
      q = c + 1;
      continue;
    }
    known = c;
    const size_t offset = c - ls;  // fills move the buffer, not the text
    size_t e = LineEndFrom(ls, c);
    bool match;
    if (!literal) {
      match = FWalkStarts ? WalkStarts(ls, e) : VerifyLine(ls, e);
    } else if (P.AnchorTail) {
      // Only the string that ends the line can match; it begins at or after
      // this boundary.
      const size_t from = ls + offset;
      const size_t at = e - needleLen;
      size_t b = at;
      while (b > from && IsLeadByte(R.Data()[b - 1])) --b;
      match = (at - b) % 2 == 0 &&
              std::memcmp(R.Data() + at, P.Needles[0].data(), needleLen) == 0 &&
              (!P.AnchorHead || at == ls);
    } else {
      match = !P.AnchorHead || offset == 0;
    }
    if (match) Report(ls, e);
    q = ls = known = scanned = AfterLineEnd(ls, e);
    ++FLineNo;
  }
}

}  // namespace

void FastGrep(TGrep& Grep, const TFastGrepPlan& Plan, const std::string& FileName) {
  TFastSearch(Grep, Plan, FileName).Run();
}

}  // namespace tamsel
