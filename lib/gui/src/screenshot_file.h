// Screenshot files in /tmp, a shared directory: each is created by this
// process before anything is written to it, so no file or link planted
// under the name is overwritten or followed.
#pragma once

#include <kiln/qstring.h>

namespace kiln::gui {

// Creates the first free "/tmp/<prefix>NNNNN.tga" from 00001 to 99999 and
// names it in `file`; false (with a message) when none can be made.
bool ReserveScreenshotFile(const char *prefix, qstring &file);
// Takes back a reserved file that got no picture.
void RemoveScreenshotFile(const qstring &file);

}  // namespace kiln::gui
