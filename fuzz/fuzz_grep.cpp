// Arbitrary bytes written to a file and searched through TGrep with a pattern
// from the input. The body is repeated so that larger inputs cross the
// reader's 102400-byte fills. Reported lines must come in strictly ascending
// order, and every reported line must be a line of the file.
#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "fuzz/fuzz_common.h"
#include "grep/fast_search.h"
#include "grep/grep.h"
#include "platform/string_list.h"

using namespace tamsel;

namespace {

const std::string& FilePath() {
  static const std::string path = fuzz::ScratchFile("grep");
  return path;
}

// Lines as the reader sees them: CR LF, LF and lone CR end a line; NUL reads
// as a space; a last line without line end counts.
size_t CountLines(const std::string& body) {
  size_t lines = 0;
  for (size_t i = 0; i < body.size(); ++i) {
    if (body[i] == '\n') ++lines;
    else if (body[i] == '\r' && (i + 1 >= body.size() || body[i + 1] != '\n')) ++lines;
  }
  if (!body.empty() && body.back() != '\n' && body.back() != '\r') ++lines;
  return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  static TGrep* grep = new TGrep(nullptr);
  const bool fuzzy = in.ConsumeBool();
  const unsigned repeat = in.ConsumeIntegralInRange<unsigned>(1, 4096);
  std::string pattern = in.ConsumeRandomLengthString(32);
  std::string chunk = in.ConsumeRemainingBytesAsString();
  // Repeat up to about three fills' worth, so fills are crossed at odd places.
  std::string body;
  for (unsigned i = 0; i < repeat && body.size() < 3 * 102400; ++i) body += chunk;

  if (!fuzz::SetPattern(*grep, fuzzy, pattern)) return 0;
  if (!fuzz::WriteFile(FilePath(), body)) return 0;

  const int64_t lines = static_cast<int64_t>(CountLines(body));
  int64_t last = 0;
  grep->OnMatch = [&](TGrep&, RE_LineInfo_t& info) {
    if (info.LineNo <= last || info.LineNo > lines) __builtin_trap();
    last = info.LineNo;
  };
  try {
    grep->Grep(FilePath());
  } catch (const EGrepCancel&) {
    __builtin_trap();  // nobody cancelled
  }
  return 0;
}
