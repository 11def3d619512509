#include <kiln/qtimer.h>

#include <kiln/qdebug.h>
#include <kiln/qutil.h>

#include <sys/time.h>

#include <ctime>

int64_t QTimer::Now() {
  struct timeval now;
  gettimeofday(&now, nullptr);
  return static_cast<int64_t>(now.tv_sec) * 1000000 + now.tv_usec;
}

void QTimer::Reset() {
  total = 0;
  running = false;
  last = Now();
}

void QTimer::Restart() {
  Reset();
  Start();
}

void QTimer::Start() {
  if (running) return;
  running = true;
  last = Now();
}

void QTimer::Stop() {
  if (!running) return;
  Update();
  running = false;
}

void QTimer::Update() {
  if (!running) return;
  int64_t now = Now();
  total += now - last;
  last = now;
}

int QTimer::GetSeconds() {
  Update();
  return static_cast<int>(total / 1000000);
}

int QTimer::GetMilliSeconds() {
  Update();
  return static_cast<int>(total / 1000);
}

int QTimer::GetMicroSeconds() {
  Update();
  return static_cast<int>(static_cast<uint32_t>(total));
}

void QTimer::Wait(int seconds, int milliseconds) {
  Start();
  int64_t target = static_cast<int64_t>(seconds) * 1000 + milliseconds;
  for (;;) {
    Update();
    if (total / 1000 >= target) return;
    QSleepMicro(1);
  }
}

int QTimer::GetTime() {
  qerr("QTimer::GetTime() called; is OBSOLETE");
  return 0;
}

namespace {

template <std::size_t N>
const char *Stamp(char (&buffer)[N], const char *format, bool utc) {
  std::time_t now = std::time(nullptr);
  struct tm parts;
  bool ok = utc ? gmtime_r(&now, &parts) != nullptr : localtime_r(&now, &parts) != nullptr;
  if (!ok || std::strftime(buffer, N, format, &parts) == 0) buffer[0] = '\0';
  return buffer;
}

}  // namespace

const char *QTimeStampWeb() {
  static char buffer[128];
  return Stamp(buffer, "[%d/%b/%Y:%H:%M:%S +0000]", true);
}

const char *QDateTimeString(const char *format) {
  static char buffer[40];
  return Stamp(buffer, format ? format : "%d-%m-%y/%H:%M:%S", false);
}

const char *QTimeString(const char *format) {
  static char buffer[40];
  return Stamp(buffer, format ? format : "%H:%M:%S", false);
}

const char *QDateString(const char *format) {
  static char buffer[40];
  return Stamp(buffer, format ? format : "%d-%m-%Y", false);
}
