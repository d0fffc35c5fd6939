// The text file reader. The text is the file's bytes behind a synthetic LF,
// ending with an LF (supplied when missing) and two NUL bytes; a NUL met by a
// cursor is therefore always the end of a fill's data (every NUL of the file
// was read as a space), and at the end of the file the base raises
// EEndOfFile while the lookahead reads 0 for ever.
//
// When a cursor runs off the end of a fill, everything from the line head to
// the end of the fill moves into FBrokenLine before the buffer is refilled,
// so the base and the line head can stay behind the lookahead and the current
// line can always be returned whole.
//
// Two rules go beyond the plain byte steps, so that no line is lost: a lead
// byte followed by a line end stands alone (no code page 932 trail byte is
// an LF or CR), and the end of the file is known at the fill that reads its
// last byte, even when the file size is a multiple of the fill size.
#include "grep/txt_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/cp932.h"
#include "platform/events.h"

namespace tamsel {

namespace {

constexpr unsigned char kLF = 0x0A;
constexpr unsigned char kCR = 0x0D;

// The system's words for an error, naming the file.
std::string SystemMessage(const std::string& FileName, int err) {
  return FileName + ": " + std::strerror(err);
}

}  // namespace

TTxtFile::TTxtFile(const std::string& FileName, const bool* pCancelRequest)
    : FFileName(FileName), FpCancelRequest(pCancelRequest) {
  try {
    if (FileName.find('\0') != std::string::npos) {
      throw EFileNotFound(SystemMessage(FileName, ENOENT));
    }
    FFile = ::open(FileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (FFile < 0) throw EFileNotFound(SystemMessage(FileName, errno));
    FFileOpened = true;
    // open() accepts a directory on Linux; only the first read would fail.
    struct stat st;
    if (::fstat(FFile, &st) == 0 && S_ISDIR(st.st_mode)) {
      throw EFileNotFound(SystemMessage(FileName, EISDIR));
    }
    FBuffer.assign(static_cast<size_t>(FBuffSize) + static_cast<size_t>(FBuffMargin), 0);
    FBuffer[0] = kLF;
    BuffRead(1);
  } catch (...) {
    Close();
    throw;
  }
}

TTxtFile::~TTxtFile() {
  Close();
}

void TTxtFile::Close() noexcept {
  // A read-only descriptor loses nothing when close fails.
  if (FFileOpened) ::close(FFile);
  FFileOpened = false;
  FFile = -1;
}

void TTxtFile::CheckCancel() {
  if (FpCancelRequest != nullptr && *FpCancelRequest) throw EGrepCancel();
}

// One fill at FBuffer[Dest]: up to FBuffSize bytes, NULs read as spaces, then
// the terminator (at the end of the file: the final LF and two NULs).
void TTxtFile::BuffRead(size_t Dest) {
  const size_t want = static_cast<size_t>(FBuffSize);
  unsigned char* d = FBuffer.data() + Dest;
  size_t n = 0;
  if (FPeekByte >= 0) {
    d[n++] = static_cast<unsigned char>(FPeekByte);
    FPeekByte = -1;
  }
  bool eof = false;
  while (n < want) {
    ssize_t r = ::read(FFile, d + n, want - n);
    if (r < 0) {
      if (errno == EINTR) continue;
      throw EInOutError(SystemMessage(FFileName, errno));
    }
    if (r == 0) {
      eof = true;
      break;
    }
    n += static_cast<size_t>(r);
  }
  if (!eof) {
    // A full fill: read one byte more to learn whether the file ends here.
    unsigned char c;
    ssize_t r;
    do {
      r = ::read(FFile, &c, 1);
    } while (r < 0 && errno == EINTR);
    if (r < 0) throw EInOutError(SystemMessage(FFileName, errno));
    if (r == 0) {
      eof = true;
    } else {
      FPeekByte = c;
    }
  }
  if (n == 0) {
    // Only an empty file, or one cut short while it is read, gets here; leave
    // a terminated text so that every further step ends as well.
    d[0] = d[1] = 0;
    FReadCount = Dest;
    FEof = true;
    throw EEndOfFile();
  }
  for (unsigned char* p = d; (p = static_cast<unsigned char*>(std::memchr(p, 0, d + n - p)));) {
    *p++ = ' ';
  }
  FReadCount = Dest + n;
  if (eof) {
    FEof = true;
    if (d[n - 1] != kLF) FBuffer[FReadCount++] = kLF;
    FBuffer[FReadCount] = 0;
    FBuffer[FReadCount + 1] = 0;
  } else {
    FBuffer[FReadCount] = 0;
  }
  ProcessMessages();
  CheckCancel();
}

// Before a refill: FBrokenLine := the text from the line head to the end of
// the fill's data. The base and the line head keep pointing at the same
// bytes; a cursor that stood at the end of the data now stands at the start
// of the next fill.
void TTxtFile::KeepLineForRefill() {
  const size_t nb = FBrokenLine.size();
  const unsigned char* data = FBuffer.data();
  if (FpLineHead < nb) {
    FBrokenLine.erase(0, FpLineHead);
    FBrokenLine.append(reinterpret_cast<const char*>(data), FReadCount);
  } else {
    const size_t from = FpLineHead - nb;
    FBrokenLine.assign(reinterpret_cast<const char*>(data) + from, FReadCount - from);
  }
  FpBase -= FpLineHead;
  FpLineHead = 0;
}

void TTxtFile::IncPBaseNullChar(unsigned char B) {
  if (FEof) {
    if (B == 0) --FpBase;  // already on the terminator: stay there
    FpForward = FpBase;
    throw EEndOfFile();
  }
  KeepLineForRefill();  // leaves the base at the start of the next fill
  BuffRead(0);
}

void TTxtFile::GetCharNullChar(unsigned char B) {
  if (FEof) {
    if (B == 0) --FpForward;  // beyond the end the lookahead reads NULs
    return;
  }
  KeepLineForRefill();
  FpForward = FBrokenLine.size();
  BuffRead(0);
}

// One byte step of the base. The base never stops on a CR: a CR LF pair is
// stepped to its LF, a lone CR is overwritten with an LF.
unsigned char TTxtFile::IncPBase() {
  const unsigned char b = At(FpBase);
  ++FpBase;
  if (At(FpBase) == 0) IncPBaseNullChar(b);
  if (b == kLF) {
    const size_t nb = FBrokenLine.size();
    if (nb != 0 && FpBase >= nb) {
      FBrokenLine.clear();
      FpBase -= nb;
    }
    FpLineHead = FpBase;
    ++FLineNo;
  }
  if (At(FpBase) == kCR) {
    ++FpBase;
    if (At(FpBase) == 0) IncPBaseNullChar(b);
    if (At(FpBase) != kLF) {
      // The byte just before the base is the CR, also when a refill has
      // moved it to the end of FBrokenLine.
      --FpBase;
      const size_t nb = FBrokenLine.size();
      if (FpBase < nb) {
        FBrokenLine[FpBase] = static_cast<char>(kLF);
      } else {
        FBuffer[FpBase - nb] = kLF;
      }
    }
  }
  FpForward = FpBase;
  return b;
}

WChar TTxtFile::AdvanceBase() {
  const unsigned char l = IncPBase();
  WChar w = l;
  // After a step the base rests on an LF or an ordinary byte.
  if (IsDBCSLeadByte(l) && At(FpBase) != kLF) w = static_cast<WChar>((l << 8) | IncPBase());
  FpForward = FpBase;
  return w;
}

unsigned char TTxtFile::GetChar() {
  const unsigned char b = At(FpForward);
  ++FpForward;
  if (At(FpForward) == 0) GetCharNullChar(b);
  if (b == kCR) {
    if (At(FpForward) == kLF) {
      ++FpForward;
      if (At(FpForward) == 0) GetCharNullChar(kLF);
    }
    return kLF;
  }
  return b;
}

WChar TTxtFile::GetWChar() {
  const unsigned char l = GetChar();
  if (!IsDBCSLeadByte(l)) return l;
  const unsigned char t = At(FpForward);
  if (t == kLF || t == kCR || t == 0) return l;
  ++FpForward;
  if (At(FpForward) == 0) GetCharNullChar(t);
  return static_cast<WChar>((l << 8) | t);
}

RE_LineInfo_t TTxtFile::GetThisLine() {
  ProcessMessages();
  CheckCancel();
  for (;;) {
    const unsigned char c = At(FpBase);
    if (c == kLF) break;
    if (c != 0) {
      // An ordinary byte followed by anything but a CR or the end of the
      // data needs none of the base step's handling.
      const unsigned char next = At(FpBase + 1);
      if (next != kCR && next != 0) {
        ++FpBase;
        continue;
      }
    }
    IncPBase();
  }
  FpForward = FpBase;

  RE_LineInfo_t info;
  const size_t nb = FBrokenLine.size();
  const char* data = reinterpret_cast<const char*>(FBuffer.data());
  if (FpLineHead < nb) {
    info.Line.assign(FBrokenLine, FpLineHead, std::min(FpBase, nb) - FpLineHead);
    if (FpBase > nb) info.Line.append(data, FpBase - nb);
  } else {
    info.Line.assign(data + (FpLineHead - nb), FpBase - FpLineHead);
  }
  while (!info.Line.empty() && (info.Line.back() == '\n' || info.Line.back() == '\r')) {
    info.Line.pop_back();
  }
  info.LineNo = FLineNo;
  return info;
}

}  // namespace tamsel
