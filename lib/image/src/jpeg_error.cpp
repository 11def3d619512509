#include "jpeg_error.h"

namespace kiln::image {
namespace {

[[noreturn]] void ExitToCaller(j_common_ptr info) {
  auto *error = reinterpret_cast<JpegError *>(info->err);
  (*info->err->format_message)(info, error->message);
  std::longjmp(error->jump, 1);
}

// Corrupt-data warnings are not worth a line each.
void Quiet(j_common_ptr, int) {}

}  // namespace

jpeg_error_mgr *UseJpegError(JpegError &error) {
  jpeg_std_error(&error.manager);
  error.manager.error_exit = ExitToCaller;
  error.manager.emit_message = Quiet;
  error.message[0] = '\0';
  return &error.manager;
}

}  // namespace kiln::image
