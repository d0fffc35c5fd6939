// The exception base of the library and the input/output error class.
//
// Messages are code page 932 byte strings, like every text in the library;
// they are converted only where they leave it (the window, the terminal).
#pragma once

#include <exception>
#include <string>

namespace tamsel {

class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : FMessage(std::move(message)) {}
  // The message in code page 932.
  const std::string& Message() const noexcept { return FMessage; }
  const char* what() const noexcept override { return FMessage.c_str(); }

 private:
  std::string FMessage;
};

// Errors of the operating system's file access.
class EInOutError : public Exception {
 public:
  using Exception::Exception;
};

}  // namespace tamsel
