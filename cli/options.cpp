#include "cli/options.h"

#include <cstddef>
#include <optional>

namespace tamsel::cli {

namespace {

// Long options that take a value, and whether an option name is one of them.
struct LongOption {
  const char* name;
  bool takesValue;
};
constexpr LongOption kLongOptions[] = {
    {"regexp", true}, {"count", false},   {"raw", false},
    {"fuzzy", false}, {"synonyms", true}, {"help", false},
};

}  // namespace

TCliOptions ParseCommandLine(const std::vector<std::string>& args) {
  TCliOptions opt;
  std::optional<std::string> ePattern;
  std::vector<std::string> operands;

  auto setPattern = [&](const std::string& p) {
    if (ePattern) throw EUsage("only one pattern may be given");
    ePattern = p;
  };
  auto apply = [&](const std::string& name, const std::string* value) {
    if (name == "regexp") {
      setPattern(*value);
    } else if (name == "count") {
      opt.Count = true;
    } else if (name == "raw") {
      opt.Raw = true;
    } else if (name == "fuzzy") {
      opt.Fuzzy = true;
    } else if (name == "synonyms") {
      if (value->empty()) throw EUsage("--synonyms needs a file name");
      opt.SynonymsFile = *value;
    } else if (name == "help") {
      opt.Help = true;
    }
  };

  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--") {
      operands.insert(operands.end(), args.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                      args.end());
      break;
    }
    if (a.size() > 2 && a.compare(0, 2, "--") == 0) {
      const size_t eq = a.find('=');
      const std::string name = a.substr(2, eq == std::string::npos ? std::string::npos : eq - 2);
      const LongOption* found = nullptr;
      for (const LongOption& o : kLongOptions) {
        if (name == o.name) found = &o;
      }
      if (found == nullptr) throw EUsage("unknown option '--" + name + "'");
      if (!found->takesValue) {
        if (eq != std::string::npos) throw EUsage("option '--" + name + "' takes no value");
        apply(name, nullptr);
      } else if (eq != std::string::npos) {
        const std::string value = a.substr(eq + 1);
        apply(name, &value);
      } else {
        if (i + 1 >= args.size()) throw EUsage("option '--" + name + "' needs a value");
        apply(name, &args[++i]);
      }
      continue;
    }
    if (a.size() > 1 && a[0] == '-') {
      // A cluster of short options; -e takes the rest of the cluster or the
      // next argument.
      for (size_t k = 1; k < a.size(); ++k) {
        const char c = a[k];
        if (c == 'c') {
          opt.Count = true;
        } else if (c == 'e') {
          if (k + 1 < a.size()) {
            setPattern(a.substr(k + 1));
          } else {
            if (i + 1 >= args.size()) throw EUsage("option '-e' needs a pattern");
            setPattern(args[++i]);
          }
          break;
        } else {
          throw EUsage(std::string("unknown option '-") + c + "'");
        }
      }
      continue;
    }
    operands.push_back(a);  // "-" alone is an operand: standard input
  }

  if (opt.Help) return opt;
  size_t first = 0;
  if (ePattern) {
    opt.Pattern = *ePattern;
  } else {
    if (operands.empty()) throw EUsage("no pattern given");
    opt.Pattern = operands[0];
    first = 1;
  }
  opt.Files.assign(operands.begin() + static_cast<std::ptrdiff_t>(first), operands.end());
  if (opt.Files.empty()) throw EUsage("no file given");
  return opt;
}

const char* HelpText() {
  return R"(Usage: tamsel-grep [OPTION]... PATTERN FILE...
       tamsel-grep [OPTION]... -e PATTERN FILE...
Search text files in code page 932 (Shift-JIS) for PATTERN, a regular
expression, and print every line that contains a match as LINENO:LINE, or
as FILE:LINENO:LINE when more than one FILE is given. Each line is printed
once, in file order; a FILE of "-" is the standard input.

PATTERN is read as UTF-8 and converted to code page 932; a character that
code page 932 cannot hold is an error. Lines are printed converted to UTF-8,
bytes that are not code page 932 showing as U+FFFD.

Options:
  -e, --regexp=PATTERN  use PATTERN, also one that begins with '-'
  -c, --count           print only the number of matching lines of each file
                        (FILE:COUNT with more than one FILE)
      --raw             take PATTERN as code page 932 bytes as given and
                        print lines as the file's bytes, unconverted
      --fuzzy           also match width, kana and voicing variants of the
                        pattern's characters (the built-in dictionary)
      --synonyms=FILE   also match synonyms: FILE holds one group of
                        interchangeable words per line, comma-separated, in
                        code page 932
      --help            show this help and exit
  --                    end of the options; what follows is PATTERN (unless
                        -e gave it) and FILEs

Patterns: every double-byte character is one character. Literal characters,
escapes (\n \t \r \b, \xHHHH hexadecimal, \ooo octal, \ before any other
character stands for that character), "." any character but a line end,
[abc] [a-z] [^abc] character sets, * + ? repetition, | alternation, ( ) grouping, "^" at the
start and "$" at the end of a line. A match must contain at least one
character; "^" alone reports every line, "^$" the empty lines.

Files: CR LF, LF and a lone CR all end a line; the last line needs no line
end; NUL bytes read as spaces. Lines may be of any length.

Exit status: 0 if a line was reported, 1 if none was, 2 if an error occurred
(a bad pattern or option, a missing or unreadable FILE: the other FILEs are
still searched).
)";
}

}  // namespace tamsel::cli
