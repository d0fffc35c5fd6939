// Tamsel's entry point: the library's fuzzy-character dictionary first, then
// the application titled "Tamsel", then the main window and its event loop.
#include <QApplication>
#include <string>

#include "app/main_window.h"
#include "platform/exception.h"
#include "regex/front/preprocessor.h"

namespace {

// The message of the exception being handled, in code page 932.
std::string CurrentExceptionMessage() {
  try {
    throw;
  } catch (const tamsel::Exception& e) {
    return e.Message();
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "unknown error";
  }
}

}  // namespace

int main(int argc, char* argv[]) {
  std::string startupError;
  try {
    // The dictionary exists before any component refers to it.
    tamsel::RE_FuzzyCharDic();
  } catch (...) {
    startupError = CurrentExceptionMessage();
  }

  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tamsel"));
  QApplication::setApplicationDisplayName(QStringLiteral("Tamsel"));
  if (!startupError.empty()) {
    tamsel::ShowException(startupError);
    return 0;
  }

  try {
    tamsel::TMainWindow form1;
    form1.show();
    return QApplication::exec();
  } catch (...) {
    tamsel::ShowException(CurrentExceptionMessage());
  }
  return 0;
}
