// An error manager for libjpeg that returns to the caller instead of ending
// the process: the message goes to the warning output.
#pragma once

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace kiln::image {

struct JpegError {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

// Installs the manager; errors longjmp to `error.jump`.
jpeg_error_mgr *UseJpegError(JpegError &error);

}  // namespace kiln::image
