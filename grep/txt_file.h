// TTxtFile reads one code page 932 text file front to back through a single
// buffer of FBuffSize + FBuffMargin bytes and hands it out character by
// character through two cursors: the base, which consumes the text, counts
// lines and knows where the current line began, and the lookahead, which
// reads on from the base without consuming (every base step puts it back on
// the base). CR LF and a lone CR read as LF, a final LF is supplied, NUL bytes
// read as spaces, and a synthetic LF stands before line 1. A line (or a
// double-byte character) split across fills is carried over in FBrokenLine
// and returned whole. At every fill and every line handed out the user
// interface may process its events (ProcessMessages) and the caller's cancel
// flag is tested.
//
// Line numbers are 64-bit: a file of more than 2^31 - 1 lines is counted
// correctly, never wrapped.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/exception.h"
#include "regex/front/dbchar.h"

namespace tamsel {

struct RE_LineInfo_t {
  std::string Line;    // the line's text without its line end
  int64_t LineNo = 0;  // first line = 1
};

class EEndOfFile : public EInOutError {
 public:
  EEndOfFile() : EInOutError("End Of File") {}
};

// The file cannot be opened; the message is the system's, naming the file.
class EFileNotFound : public EInOutError {
 public:
  using EInOutError::EInOutError;
};

class EGrepCancel : public Exception {
 public:
  EGrepCancel() : Exception("CancelRequest") {}
};

class TTxtFile {
 public:
  // Opens the file and makes the first fill; pCancelRequest is read at every
  // check and owned by the caller (null: never cancelled).
  TTxtFile(const std::string& FileName, const bool* pCancelRequest);
  ~TTxtFile();
  TTxtFile(const TTxtFile&) = delete;
  TTxtFile& operator=(const TTxtFile&) = delete;

  // Consumes one character at the base and puts the lookahead back on it.
  WChar AdvanceBase();
  // Reads one character at the lookahead; 0 for ever once past the end.
  WChar GetWChar();
  // Reads one byte at the lookahead, line ends normalised.
  unsigned char GetChar();
  // Moves the base to the LF that ends its line and returns the line.
  RE_LineInfo_t GetThisLine();

  int32_t FBuffSize = 102400;
  int32_t FBuffMargin = 100;

 private:
  friend struct TTxtFileTestAccess;  // lets tests start the line count high

  // Cursors are offsets into one virtual text: FBrokenLine followed by the
  // FBuffer data. Offsets below FBrokenLine.size() lie in the carry-over.
  // FBrokenLine never holds a NUL, so a NUL read through At() is always the
  // end of the data in FBuffer.
  unsigned char At(size_t p) const {
    const size_t nb = FBrokenLine.size();
    return p < nb ? static_cast<unsigned char>(FBrokenLine[p]) : FBuffer[p - nb];
  }

  unsigned char IncPBase();
  void IncPBaseNullChar(unsigned char B);
  void GetCharNullChar(unsigned char B);
  void KeepLineForRefill();
  void BuffRead(size_t Dest);
  void CheckCancel();
  void Close() noexcept;

  std::vector<unsigned char> FBuffer;  // FBuffSize + FBuffMargin bytes
  std::string FFileName;
  int FFile = -1;
  bool FFileOpened = false;
  size_t FpBase = 0;
  size_t FpLineHead = 0;
  size_t FpForward = 0;
  int64_t FLineNo = 0;
  size_t FReadCount = 0;  // end of the valid data in FBuffer
  std::string FBrokenLine;
  const bool* FpCancelRequest;
  bool FEof = false;   // the last fill reached the end of the file
  int FPeekByte = -1;  // a byte read ahead to learn whether the file ends
};

}  // namespace tamsel
