// For tests: where the remote output looks for its option file.
#pragma once

namespace kiln::net {

void SetOptionFile(const char *path);

}  // namespace kiln::net
