// A deliberately simple matcher to check the automaton scans against. It walks
// the parse tree of TREParser directly, carrying the set of text positions
// reached so far; it knows nothing of NFA or DFA.
//
// Its rules, stated once:
// - The text is searched up to its first zero byte. A character is a lead
//   byte of code page 932 with the byte after it, or one byte (also a lead
//   byte right before the end).
// - A match is leftmost-longest: the earliest character position at which
//   the pattern matches, and from there the longest match.
// - "^" is the line-head anchor only where no item of a concatenation stands
//   before it on its way down from the root (through groups, alternatives and
//   "?"), and never inside a closure: "(^a)+" anchors its first "a" only, and
//   "x*^a" not at all. "$" likewise where no item stands after it. Elsewhere
//   each stands for its own character.
// - The code 0 matches nothing: no text holds it before its end.
// - A line starts at the start of the text (when TextStartIsLineStart) and
//   after an LF character; it ends before a LineEnd character and at the end
//   of the text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tamsel::test {

// Byte offset of the match in the text, and its length in bytes.
using RefMatch = std::optional<std::pair<size_t, size_t>>;

class ReferencePattern {
 public:
  // Parses the pattern; a bad pattern raises ERegExpParser as the parser does.
  explicit ReferencePattern(const std::string& Pattern);
  ~ReferencePattern();
  ReferencePattern(ReferencePattern&&) noexcept;
  ReferencePattern& operator=(ReferencePattern&&) noexcept;

  // LineEnd: '\r' for mcls_CRLF, '\n' for mcls_LF.
  RefMatch Match(std::string_view Text, char LineEnd, bool TextStartIsLineStart) const;

 private:
  friend std::vector<int64_t> ReferenceGrepLines(const std::string&, std::string_view);
  friend std::string ReferenceGSub(const ReferencePattern&, std::string_view, char,
                                   const std::function<std::string(std::string_view)>&, int*);
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

RefMatch ReferenceMatch(const std::string& Pattern, std::string_view Text, char LineEnd,
                        bool TextStartIsLineStart);

// Replace every match, as GSub does: from left to right, each search starting
// where the last match ended (a line start when an LF character precedes it);
// after an empty match the character there is kept and stepped over (CR LF as
// one when LineEnd is '\r'); no empty match is tried at the end once a match
// has reached it. An empty text gets one replacement if the pattern matches
// it. Count receives the number of replacements. Without any match the text
// comes back whole; otherwise only what lies before its first zero byte.
std::string ReferenceGSub(const ReferencePattern& Pattern, std::string_view Text, char LineEnd,
                          const std::function<std::string(std::string_view)>& Replace, int* Count);

// The lines (1-based, ascending) that the file grep reports for a file made
// of these bytes: the line anchors stand for the LF before and after a line,
// and a line is reported when a match of at least one character starts in it
// (at the LF before it or at one of its characters). For files without lone
// lead bytes; the reader's own rules for those are tested with the reader.
std::vector<int64_t> ReferenceGrepLines(const std::string& Pattern, std::string_view FileBytes);

}  // namespace tamsel::test
