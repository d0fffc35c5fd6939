// tamsel-grep: the file grep from a terminal. The pattern arrives in UTF-8
// and is converted to code page 932 (or taken as it is with --raw); every
// line that TGrep reports is printed as LINENO:LINE (FILE:LINENO:LINE with
// several files), converted back to UTF-8 unless --raw. Exit status 0 when a
// line was reported, 1 when none was, 2 after any error.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>
#include <string_view>
#include <vector>

#include "cli/options.h"
#include "grep/grep.h"
#include "platform/cp932.h"
#include "platform/string_list.h"
#include "regex/front/preprocessor.h"

namespace tamsel::cli {

namespace {

constexpr const char* kProgram = "tamsel-grep";

// Standard output through one large buffer: the search hands out one short
// line at a time.
class TOutBuffer {
 public:
  explicit TOutBuffer(int fd) : FFd(fd) { FBuf.reserve(kCapacity); }
  ~TOutBuffer() { Flush(); }
  TOutBuffer(const TOutBuffer&) = delete;
  TOutBuffer& operator=(const TOutBuffer&) = delete;

  void Append(std::string_view s) {
    if (s.size() > kCapacity - FBuf.size()) {
      Flush();
      if (s.size() >= kCapacity) {
        WriteAll(s);
        return;
      }
    }
    FBuf.append(s);
  }
  void Append(char c) {
    if (FBuf.size() == kCapacity) Flush();
    FBuf.push_back(c);
  }
  void AppendNumber(int64_t n) {
    char digits[24];
    auto [end, ec] = std::to_chars(digits, digits + sizeof digits, n);
    (void)ec;
    Append(std::string_view(digits, static_cast<size_t>(end - digits)));
  }
  void Flush() {
    WriteAll(FBuf);
    FBuf.clear();
  }
  // The errno of the first failed write, or 0.
  int Error() const { return FError; }

 private:
  static constexpr size_t kCapacity = size_t{1} << 18;

  void WriteAll(std::string_view s) {
    while (!s.empty() && FError == 0) {
      ssize_t r = ::write(FFd, s.data(), s.size());
      if (r < 0) {
        if (errno == EINTR) continue;
        FError = errno;
        return;
      }
      s.remove_prefix(static_cast<size_t>(r));
    }
  }

  int FFd;
  std::string FBuf;
  int FError = 0;
};

// TGrep with a look at the pattern the parser is given, so that a pattern
// error can be shown in the text its position refers to.
class TCliGrep : public TGrep {
 public:
  TCliGrep() : TGrep(nullptr) {}
  // V after dictionary expansion (V itself while both switches are off).
  std::string Preprocess(const std::string& V) {
    FPreProcessor->SetTargetRegExpStr(V);
    FPreProcessor->Run();
    return FPreProcessor->ProcessedRegExpStr;
  }
};

// A library message (code page 932) for the terminal.
std::string ToTerminal(const std::string& cp932) {
  return Cp932ToUtf8(cp932, true);
}

void PrintError(TOutBuffer& out, const std::string& utf8) {
  out.Flush();  // keep the order of the output and the messages
  std::fprintf(stderr, "%s: %s\n", kProgram, utf8.c_str());
}

bool IsAscii(std::string_view s) {
  for (char c : s) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

// Columns that one character (code page 932 bytes) takes on a UTF-8
// terminal: wcwidth of what it converts to, or its byte count (which is the
// usual width of code page 932 text) when no UTF-8 locale is available.
size_t DisplayWidth(std::string_view cp932, bool haveUtf8Locale) {
  if (!haveUtf8Locale) return cp932.size();
  const std::string u = Cp932ToUtf8(cp932, true);
  std::mbstate_t state{};
  size_t width = 0;
  const char* p = u.data();
  const char* end = p + u.size();
  while (p < end) {
    wchar_t wc;
    size_t n = std::mbrtowc(&wc, p, static_cast<size_t>(end - p), &state);
    if (n == 0 || n > static_cast<size_t>(end - p)) return cp932.size();
    int w = ::wcwidth(wc);
    if (w > 0) width += static_cast<size_t>(w);
    p += n;
  }
  return width;
}

// The blanks that bring a caret under byte Position (1-based) of the pattern;
// a position inside a double-byte character points at the character.
std::string CaretIndent(const std::string& cp932, int32_t position, bool haveUtf8Locale) {
  const size_t target = position > 0 ? static_cast<size_t>(position - 1) : 0;
  std::string pad;
  for (size_t i = 0; i < cp932.size() && i < target;) {
    const unsigned char b = static_cast<unsigned char>(cp932[i]);
    const size_t len = IsDBCSLeadByte(b) && i + 1 < cp932.size() ? 2 : 1;
    if (i + len > target) break;
    if (b == '\t') {
      pad += '\t';
    } else {
      pad.append(DisplayWidth(std::string_view(cp932).substr(i, len), haveUtf8Locale), ' ');
    }
    i += len;
  }
  return pad;
}

void PrintPatternError(TOutBuffer& out, const ERegExpParser& e, const std::string& shown,
                       bool expanded, bool haveUtf8Locale) {
  std::string text = ToTerminal(e.Message()) + "\n";
  if (expanded) text += "  in the pattern after dictionary expansion:\n";
  text += "  " + ToTerminal(shown) + "\n";
  if (shown.size() < 0xFFFF) {
    text += "  " + CaretIndent(shown, e.Position, haveUtf8Locale) + "^";
  } else {
    // The position is kept modulo 65536: in a longer pattern it is ambiguous.
    text += "  (at byte " + std::to_string(e.Position) + ", counted modulo 65536)";
  }
  PrintError(out, text);
}

// Synonym groups, one per line of comma text.
REDictionary_t LoadSynonyms(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
    throw EInOutError(path + ": " + std::strerror(EISDIR));
  }
  TStringList lines;
  lines.LoadFromFile(path);
  REDictionary_t dictionary;
  for (const std::string& line : lines.Items()) {
    TStringList group;
    group.SetCommaText(line);
    if (group.Count() > 0) dictionary.push_back(std::move(group));
  }
  return dictionary;
}

int Run(int argc, char** argv) {
  TOutBuffer out(STDOUT_FILENO);
  TCliOptions opt;
  try {
    opt = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const EUsage& e) {
    PrintError(out, std::string(e.what()) + "\nUsage: " + kProgram +
                        " [OPTION]... PATTERN FILE...\nTry '" + kProgram +
                        " --help' for more information.");
    return 2;
  }
  if (opt.Help) {
    out.Append(HelpText());
    out.Flush();
    return out.Error() == 0 ? 0 : 2;
  }
  const bool haveUtf8Locale = std::setlocale(LC_CTYPE, "C.UTF-8") != nullptr;

  std::string pattern = opt.Pattern;
  if (!opt.Raw) {
    try {
      pattern = Utf8ToCp932(opt.Pattern);
    } catch (const EConvertError& e) {
      PrintError(out, "pattern: " + ToTerminal(e.Message()));
      return 2;
    }
  }

  // Declared before the grep, which refers to it until it is destroyed.
  REDictionary_t synonyms;
  TCliGrep grep;
  std::string shown = pattern;
  try {
    if (!opt.SynonymsFile.empty()) {
      synonyms = LoadSynonyms(opt.SynonymsFile);
      grep.GetListOfSynonymDic().push_back(&synonyms);
      grep.SetUseSynonymDic(true);
    }
    if (opt.Fuzzy) grep.SetUseFuzzyCharDic(true);
    // A preprocessing error points into the pattern as given, a parse error
    // into the expanded pattern.
    shown = grep.Preprocess(pattern);
    grep.SetRegExp(pattern);
  } catch (const ERegExpParser& e) {
    PrintPatternError(out, e, shown, shown != pattern, haveUtf8Locale);
    return 2;
  } catch (const EInOutError& e) {
    PrintError(out, e.Message());  // a path and the system's words
    return 2;
  } catch (const Exception& e) {
    PrintError(out, ToTerminal(e.Message()));
    return 2;
  }

  const bool several = opt.Files.size() > 1;
  bool anyLine = false;
  bool anyError = false;
  for (const std::string& name : opt.Files) {
    const bool stdinput = name == "-";
    const std::string prefix = several ? (stdinput ? "(standard input)" : name) + ":" : "";
    int64_t count = 0;
    grep.OnMatch = [&](TGrep&, RE_LineInfo_t& info) {
      ++count;
      if (opt.Count) return;
      out.Append(prefix);
      out.AppendNumber(info.LineNo);
      out.Append(':');
      if (opt.Raw || IsAscii(info.Line)) {
        out.Append(info.Line);
      } else {
        out.Append(Cp932ToUtf8(info.Line, true));
      }
      out.Append('\n');
    };
    try {
      grep.Grep(stdinput ? "/dev/stdin" : name);
    } catch (const EInOutError& e) {
      anyError = true;
      PrintError(out, e.Message());  // names the file in the system's words
      continue;
    }
    if (opt.Count) {
      out.Append(prefix);
      out.AppendNumber(count);
      out.Append('\n');
    }
    if (count > 0) anyLine = true;
  }
  out.Flush();
  if (out.Error() != 0) {
    std::fprintf(stderr, "%s: write error: %s\n", kProgram, std::strerror(out.Error()));
    return 2;
  }
  if (anyError) return 2;
  return anyLine ? 0 : 1;
}

}  // namespace

}  // namespace tamsel::cli

int main(int argc, char** argv) {
  try {
    return tamsel::cli::Run(argc, argv);
  } catch (const tamsel::Exception& e) {
    std::fprintf(stderr, "tamsel-grep: %s\n", tamsel::Cp932ToUtf8(e.Message(), true).c_str());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tamsel-grep: %s\n", e.what());
  }
  return 2;
}
