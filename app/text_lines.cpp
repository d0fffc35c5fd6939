#include "app/text_lines.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <vector>

#include "platform/exception.h"

namespace tamsel {

namespace {
constexpr size_t kBlockSize = size_t{1} << 20;
}  // namespace

void TLineCounter::Feed(const char* Text, size_t Size) {
  if (FEndedByNul || Size == 0) return;
  if (const void* nul = std::memchr(Text, '\0', Size)) {
    FEndedByNul = true;
    Size = static_cast<const char*>(nul) - Text;
    if (Size == 0) return;
  }
  const char* end = Text + Size;
  // A CR that ended the previous piece is a line end of its own unless this
  // piece goes on with its LF.
  if (FPendingCR && *Text != '\n') ++FEnds;
  // Every LF ends a line (alone or as the end of a CR LF); a CR ends one
  // only when no LF follows it.
  FEnds += std::count(Text, end, '\n');
  for (const char* cr = Text;
       (cr = static_cast<const char*>(std::memchr(cr, '\r', end - cr))) != nullptr; ++cr) {
    if (cr + 1 < end && cr[1] != '\n') ++FEnds;
  }
  FPendingCR = end[-1] == '\r';
  FOpenLine = end[-1] != '\r' && end[-1] != '\n';
}

int64_t TLineCounter::Lines() const {
  return FEnds + (FPendingCR ? 1 : 0) + (FOpenLine ? 1 : 0);
}

void TTextLines::LoadFromFile(const std::string& Path) {
  // The stream reads in large blocks (a buffer is taken only before opening).
  std::vector<char> buffer(kBlockSize), block(kBlockSize);
  std::ifstream in;
  in.rdbuf()->pubsetbuf(buffer.data(), static_cast<std::streamsize>(buffer.size()));
  in.open(Path, std::ios::binary);
  if (!in) throw EInOutError(Path + ": " + std::strerror(errno));
  // Each block is read by the buffer's refill, as the string list reads the
  // file, so a failed read raises the same error with the same words; what
  // the refill brought is then taken from the buffer without reading.
  std::streambuf& file = *in.rdbuf();
  TLineCounter counter;
  while (file.sgetc() != std::char_traits<char>::eof()) {
    const std::streamsize got = file.sgetn(
        block.data(), std::min(file.in_avail(), static_cast<std::streamsize>(block.size())));
    counter.Feed(block.data(), static_cast<size_t>(got));
  }
  if (in.bad()) throw EInOutError(Path + ": " + std::strerror(errno));
  FCount = counter.Lines();
}

}  // namespace tamsel
