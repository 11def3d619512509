// Colours and their hex form.
#include <gtest/gtest.h>

#include <kiln/qcolor.h>

#include <cstdio>

#include "message_capture.h"

namespace {

TEST(QColorValue, ComponentsAndForms) {
  QColor color(255, 128, 0);
  EXPECT_EQ(color.GetRGBA(), 0xFF8000FFu);
  EXPECT_EQ(color.GetRGB(), 0xFF8000u);
  EXPECT_EQ(color.GetGreen(), 128);
  color.SetRGBA(0x01020304u);
  EXPECT_EQ(color.GetAlpha(), 4);
  QColor copy;
  copy.CopyFrom(color);
  EXPECT_EQ(copy.GetRGBA(), 0x01020304u);
  EXPECT_STREQ(color.ClassName(), "QColor");
}

TEST(QColorValue, FromHex) {
  QColor color;
  color.SetFromHex("FF8000");
  EXPECT_EQ(color.GetRGBA(), 0xFF8000FFu);
  color.SetFromHex("00000000");
  EXPECT_EQ(color.GetRGBA(), 0u);
  color.SetFromHex("80");
  EXPECT_EQ(color.GetRGBA(), 0x800000FFu);
  color.SetFromHex("abc");  // a single last character is a pair of its own
  EXPECT_EQ(color.GetRGBA(), 0xAB0C00FFu);
  color.SetFromHex("1122334455667788");  // beyond the eighth: ignored
  EXPECT_EQ(color.GetRGBA(), 0x11223344u);
}

TEST(QColorValue, DebugPrintShowsTheValue) {
  kiln::test::MessageCapture capture;
  QColor color(0x11223344u);
  color.SetName("ink");
  color.DbgPrint();
  char expected[128];
  std::snprintf(expected, sizeof expected, "@%p ink (class QColor), RGBA=0x11223344\n",
                static_cast<const void *>(&color));
  EXPECT_EQ(capture.Take(), expected);
}

}  // namespace
