/// \file
/// QTimer, a stopwatch, and time stamps.
#pragma once

#include <cstdint>

/// A microsecond stopwatch, and time stamps.
class QTimer {
public:
  QTimer() { Reset(); }

  void Reset();    ///< total 0, stopped
  void Restart();  ///< Reset, then Start
  void Start();    ///< runs on from the total; nothing while running
  void Stop();     ///< adds the time run to the total
  /// Adds the time since the last reading while running.
  void Update();

  ///@{
  /// The total time run, counting a running timer up to now.
  int GetSeconds();
  int GetMilliSeconds();
  ///@}
  /// Wraps after about 35 minutes, as a 32-bit count of microseconds does.
  int GetMicroSeconds();

  /// Starts the timer if it isn't running and returns once its total has
  /// reached the given time.
  void Wait(int seconds, int milliseconds);

  /// Obsolete; says so.
  int GetTime();

  /// True between Start() and Stop().
  bool IsRunning() const { return running; }

private:
  static int64_t Now();

  int64_t total = 0;  ///< microseconds accumulated while running
  int64_t last = 0;   ///< the last reading
  bool running = false;
};

/// Each returns text in a buffer of its own that the next call overwrites.
/// A null format takes the default shown.
const char *QTimeStampWeb();                            ///< UTC "[%d/%b/%Y:%H:%M:%S +0000]"
const char *QDateTimeString(const char *format = nullptr);  ///< local "%d-%m-%y/%H:%M:%S"
const char *QTimeString(const char *format = nullptr);      ///< local "%H:%M:%S"
const char *QDateString(const char *format = nullptr);      ///< local "%d-%m-%Y"
