// Number forms, precedence and the limits of the expression evaluator.
#include <gtest/gtest.h>

#include <kiln/qeval.h>

#include <climits>
#include <string>

#include "message_capture.h"

namespace {

TEST(EvalNumbers, EveryFormGivesItsValue) {
  EXPECT_EQ(Eval("31"), 31);
  EXPECT_EQ(Eval("0x1F"), 31);
  EXPECT_EQ(Eval("0X1f"), 31);
  EXPECT_EQ(Eval("$1F"), 31);
  EXPECT_EQ(Eval("$ff"), 255);
  EXPECT_EQ(Eval("#11111"), 31);
  EXPECT_EQ(Eval("#101"), 5);
  EXPECT_EQ(Eval("037"), 31);
  EXPECT_EQ(Eval("010"), 8);
  EXPECT_EQ(Eval("0"), 0);
  EXPECT_EQ(Eval("0x10"), 16);
  EXPECT_EQ(Eval("3*8+7"), 31);
}

TEST(EvalNumbers, ParsingStopsWhereNoRuleContinues) {
  EXPECT_EQ(Eval("12abc"), 12);
  EXPECT_EQ(Eval("2 3"), 2);
  EXPECT_EQ(Eval("089"), 0);  // octal stops at 8
  EXPECT_EQ(Eval("#102"), 2);
  EXPECT_EQ(Eval("abc"), 0);
  EXPECT_EQ(Eval(""), 0);
  EXPECT_EQ(Eval("   "), 0);
  EXPECT_EQ(Eval("  42  "), 42);
  EXPECT_EQ(Eval("1+"), 1);  // a missing operand drops the operator
  EXPECT_EQ(Eval("(2+3"), 5);
  EXPECT_EQ(Eval("7)"), 7);
  EXPECT_EQ(Eval("0x"), 0);
  EXPECT_EQ(Eval("-"), 0);
}

TEST(EvalNumbers, NullTextWarns) {
  kiln::test::MessageCapture capture;
  EXPECT_EQ(Eval(nullptr), 0);
  EXPECT_EQ(capture.Take(), "Eval() is passed 0-pointer\n");
}

TEST(EvalOperators, PrecedenceFromOrUpToProducts) {
  EXPECT_EQ(Eval("2+3*4"), 14);
  EXPECT_EQ(Eval("(2+3)*4"), 20);
  EXPECT_EQ(Eval("1|2&3"), 3);
  EXPECT_EQ(Eval("6&3^1"), 3);  // & and ^ share a level, left to right
  EXPECT_EQ(Eval("6^3&1"), 1);
  EXPECT_EQ(Eval("3x4"), 12);
  EXPECT_EQ(Eval("10-4-3"), 3);
  EXPECT_EQ(Eval("100/10/5"), 2);
  EXPECT_EQ(Eval("17%5"), 2);
  EXPECT_EQ(Eval("-17/5"), -3);  // the sign covers all that follows: -(17/5)
  EXPECT_EQ(Eval(" 2 * ( 3 + 4 ) "), 14);
  EXPECT_EQ(Eval("$10+#10+010+10"), 36);
}

TEST(EvalOperators, UnaryOperatorsTakeEverythingThatFollows) {
  EXPECT_EQ(Eval("-2+3"), -5);
  EXPECT_EQ(Eval("~0|1"), ~1);
  EXPECT_EQ(Eval("+5"), 5);
  EXPECT_EQ(Eval("(-2)+3"), 1);
  EXPECT_EQ(Eval("2*-3+1"), -8);
  EXPECT_EQ(Eval("~0"), -1);
  EXPECT_EQ(Eval("--5"), 5);
}

TEST(EvalOperators, DivisionByZeroAndOverflowAreDefined) {
  EXPECT_EQ(Eval("7/0"), 0);
  EXPECT_EQ(Eval("7%0"), 0);
  EXPECT_EQ(Eval("2147483647+1"), INT_MIN);
  EXPECT_EQ(Eval("0x80000000"), INT_MIN);
  EXPECT_EQ(Eval("4294967296"), 0);  // wraps while reading digits
  EXPECT_EQ(Eval("65536*65536"), 0);
  EXPECT_EQ(Eval("0x80000000/-1"), INT_MIN);
  EXPECT_EQ(Eval("(0x80000000)/(0-1)"), INT_MIN);
  EXPECT_EQ(Eval("(0x80000000)%(0-1)"), 0);
  EXPECT_EQ(Eval("-0x80000000"), INT_MIN);
}

TEST(EvalLimits, MoreThanFortyOperationsGiveZero) {
  std::string twenty = "1";
  for (int i = 0; i < 19; ++i) twenty += "+1";  // 20 pushes, 19 additions
  EXPECT_EQ(Eval(twenty.c_str()), 20);
  std::string forty = "-" + twenty;  // and a negation: 40 operations still fit
  EXPECT_EQ(Eval(forty.c_str()), -20);
  std::string more = twenty + "+1";  // 41
  EXPECT_EQ(Eval(more.c_str()), 0);
  std::string huge;
  for (int i = 0; i < 100000; ++i) huge += "1+";
  EXPECT_EQ(Eval(huge.c_str()), 0);
}

TEST(EvalLimits, DeepNestingGivesZeroWithoutExhaustingTheStack) {
  std::string nested = std::string(30, '(') + "7" + std::string(30, ')');
  EXPECT_EQ(Eval(nested.c_str()), 7);
  std::string deep = std::string(100000, '(') + "7" + std::string(100000, ')');
  EXPECT_EQ(Eval(deep.c_str()), 0);
  std::string signs(100000, '-');
  EXPECT_EQ(Eval((signs + "1").c_str()), 0);
}

}  // namespace
