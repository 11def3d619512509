// What the command-line programs share: where messages go, and how
// failures and usage errors end a program.
#pragma once

#include <string>

namespace kiln::tool {

constexpr int kFailure = 1;
constexpr int kUsage = 2;

// The library's warnings and errors go to standard error only, so a tool
// leaves no log file in the user's directory; debug lines are dropped.
void SendMessagesToStandardError();

// Prints "program: message" on standard error; returns kFailure.
int Fail(const char *program, const std::string &message);

// Prints the help text on standard error; returns kUsage.
int Usage(const char *help);

bool IsHelpRequest(const std::string &argument);

// Whether an X display can be opened (DISPLAY names a server that answers):
// programs that can draw either way choose a window or an offscreen context.
bool HasXDisplay();

// The image format QBitMap::Write() uses for a file name's extension
// (.rgb/.sgi, .tga, .jpg/.jpeg, in any case), or -1 for any other.
int ImageFormatFor(const std::string &path, bool gray = false);

}  // namespace kiln::tool
