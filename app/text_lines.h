// TTextLines: the loaded file's lines as the window uses them, that is only
// their number. It splits the file exactly as TStringList::LoadFromFile does
// (CR LF, LF and a lone CR each end a line, a last line without a line end
// counts, the text ends at its first NUL byte) and fails the same way, but
// reads the file in blocks and keeps no line, so a file of millions of lines
// loads in a fraction of a second and in little memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tamsel {

class TTextLines {
 public:
  int64_t Count() const { return FCount; }

  // Replaces the count by the file's. An unopenable file raises EInOutError
  // with the system's words, a failed read the stream's error; either leaves
  // the count unchanged.
  void LoadFromFile(const std::string& Path);

 private:
  int64_t FCount = 0;
};

// Counts lines over text fed in pieces, with the splitting above; the pieces
// may cut a CR LF in two.
class TLineCounter {
 public:
  void Feed(const char* Text, size_t Size);
  // The number of lines of everything fed so far.
  int64_t Lines() const;

 private:
  int64_t FEnds = 0;         // line ends completed
  bool FEndedByNul = false;  // the text ended at a NUL; what follows is ignored
  bool FPendingCR = false;   // the last byte fed was a CR
  bool FOpenLine = false;    // bytes follow the last line end
};

}  // namespace tamsel
