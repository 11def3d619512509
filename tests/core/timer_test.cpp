// The stopwatch and the time stamps. Only lower bounds of time are asserted.
#include <gtest/gtest.h>

#include <kiln/qtimer.h>
#include <kiln/qutil.h>

#include <regex>
#include <string>

#include "message_capture.h"

namespace {

TEST(Timer, WaitRunsAtLeastTheRequestedTime) {
  QTimer timer;
  timer.Wait(0, 10);
  EXPECT_GE(timer.GetMilliSeconds(), 10);
  EXPECT_TRUE(timer.IsRunning());
  QTimer second;
  second.Restart();
  QWaitMilli(15);
  EXPECT_GE(second.GetMicroSeconds(), 15000);
}

TEST(Timer, StoppedTimeDoesNotCount) {
  QTimer timer;
  EXPECT_EQ(timer.GetMicroSeconds(), 0);  // not started
  timer.Start();
  QSleepMicro(5000);
  timer.Stop();
  int stopped = timer.GetMicroSeconds();
  EXPECT_GE(stopped, 5000);
  QSleepMicro(5000);
  EXPECT_EQ(timer.GetMicroSeconds(), stopped);
  timer.Start();
  QSleepMicro(2000);
  EXPECT_GE(timer.GetMicroSeconds(), stopped + 2000);
  timer.Reset();
  EXPECT_EQ(timer.GetSeconds(), 0);
  EXPECT_FALSE(timer.IsRunning());
}

TEST(Timer, GetTimeIsObsolete) {
  kiln::test::MessageCapture capture;
  QTimer timer;
  timer.GetTime();
  EXPECT_EQ(capture.Take(), "** Error: QTimer::GetTime() called; is OBSOLETE\n");
}

TEST(TimeStamps, DefaultFormats) {
  EXPECT_TRUE(std::regex_match(QTimeStampWeb(),
                               std::regex("\\[[0-9]{2}/[A-Z][a-z]{2}/[0-9]{4}:[0-9]{2}:[0-9]{2}:[0-9]{2} \\+0000\\]")));
  EXPECT_TRUE(std::regex_match(QDateTimeString(), std::regex("[0-9]{2}-[0-9]{2}-[0-9]{2}/[0-9]{2}:[0-9]{2}:[0-9]{2}")));
  EXPECT_TRUE(std::regex_match(QTimeString(), std::regex("[0-9]{2}:[0-9]{2}:[0-9]{2}")));
  EXPECT_TRUE(std::regex_match(QDateString(), std::regex("[0-9]{2}-[0-9]{2}-[0-9]{4}")));
  EXPECT_STREQ(QDateString("%Y"), QDateTimeString("%Y"));
  std::string tooLong(100, 'x');
  EXPECT_STREQ(QTimeString(tooLong.c_str()), "");  // does not fit in its buffer
}

}  // namespace
