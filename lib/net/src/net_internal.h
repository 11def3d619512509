// Helpers shared inside the network layer.
#pragma once

#include <kiln/qdebug.h>

namespace kiln::net {

// "[QN] message (system error text)" through the error output.
void ReportError(const char *format, ...) KILN_PRINTF(1, 2);

// The local host's address as qnInit() found it.
class QNAddress *LocalHost();

}  // namespace kiln::net
