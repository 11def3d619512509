// Collects what the debug, warning and error outputs print while it lives.
#pragma once

#include <kiln/qdebug.h>

#include <string>

namespace kiln::test {

class MessageCapture {
public:
  MessageCapture() {
    Text().clear();
    oldDebug = qdbg_set_callback(Collect);
    oldWarning = qwarn_set_callback(Collect);
    oldError = qerr_set_callback(Collect);
  }
  ~MessageCapture() {
    qdbg_set_callback(oldDebug);
    qwarn_set_callback(oldWarning);
    qerr_set_callback(oldError);
  }
  MessageCapture(const MessageCapture &) = delete;
  MessageCapture &operator=(const MessageCapture &) = delete;

  // Everything printed so far, and empties the collection.
  std::string Take() {
    std::string text = Text();
    Text().clear();
    return text;
  }

private:
  static std::string &Text() {
    static std::string text;
    return text;
  }
  static void Collect(const char *text) { Text() += text; }

  QDebugCallback oldDebug, oldWarning, oldError;
};

}  // namespace kiln::test
