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
#include <memory>
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
  // check and owned by the caller.
  TTxtFile(const std::string& FileName, const bool* pCancelRequest);
  ~TTxtFile();
  TTxtFile(const TTxtFile&) = delete;
  TTxtFile& operator=(const TTxtFile&) = delete;

  WChar AdvanceBase();
  WChar GetWChar();
  unsigned char GetChar();
  RE_LineInfo_t GetThisLine();

  int32_t FBuffSize = 102400;
  int32_t FBuffMargin = 100;

 private:
  // Implementation state (offsets into FBuffer / FBrokenLine) is private to
  // the reader; see txt_file.cpp.
  struct Impl;
  std::unique_ptr<Impl> FImpl;
};

}  // namespace tamsel
