// The command line of tamsel-grep, parsed the way grep users expect: options
// and operands in any order, short options clustered ("-ce PATTERN"), a value
// attached or separate ("-ePATTERN", "--synonyms=FILE", "--synonyms FILE"),
// and "--" ending the options.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace tamsel::cli {

struct TCliOptions {
  std::string Pattern;  // as given on the command line
  std::vector<std::string> Files;
  bool Count = false;
  bool Raw = false;
  bool Fuzzy = false;
  bool Help = false;
  std::string SynonymsFile;  // empty: no synonyms
};

// A command line that cannot be used; the message says why.
class EUsage : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Parses the arguments after the program name. With --help anywhere, the
// rest need not be complete.
TCliOptions ParseCommandLine(const std::vector<std::string>& args);

const char* HelpText();

}  // namespace tamsel::cli
