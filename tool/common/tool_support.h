// What the command-line programs share: where messages go, and how
// failures and usage errors end a program.
#pragma once

#include <string>
#include <string_view>

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

// The whole file into `bytes`; false (errno set, EFBIG past `limit`
// bytes) when it can't be read.
bool ReadWholeFile(const std::string &path, std::string *bytes, long limit);

// Writes the bytes beside the path and renames the file to it once whole,
// so that no half-written file ever bears the name; false (errno set, and
// nothing left behind) when it can't.
bool WriteWholeFile(const std::string &path, std::string_view bytes);

// The image format QBitMap::Write() uses for a file name's extension
// (.rgb/.sgi, .tga, .jpg/.jpeg, in any case), or -1 for any other.
int ImageFormatFor(const std::string &path, bool gray = false);

}  // namespace kiln::tool
