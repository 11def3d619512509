#include <kiln/qwindowhost.h>

namespace {

QWindowHost *host = nullptr;

}  // namespace

void QSetWindowHost(QWindowHost *newHost) { host = newHost; }

QWindowHost *QGetWindowHost() { return host; }

QWindowManager *QGetWindowManager() { return host ? host->GetWindowManager() : nullptr; }
