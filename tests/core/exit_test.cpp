// The exit routine and its shutdown hooks.
#include <gtest/gtest.h>

#include <kiln/qexit.h>

#include <cstdio>

#include "test_support.h"

namespace {

void First() { std::printf("first;"); }
void Second() { std::printf("second;"); }
template <int N>
void Numbered() {
  std::printf("%d;", N);
}

void Again() {
  std::printf("again;");
  qexit(9);  // a hook that exits again must not run the hooks twice
}

TEST(ExitRoutine, RunsHooksInOrderAndEndsWithTheStatus) {
  kiln::test::TempDir dir;
  auto run = kiln::test::RunInChild(
      [] {
        qexit_add_hook(First);
        qexit_add_hook(Second);
        qexit_add_hook(First);  // already there
        std::printf("%d;", qexit_remove_hook(Second));
        std::printf("%d;", qexit_remove_hook(Second));
        qexit_add_hook(Second);
        qexit(3);
      },
      dir.path());
  EXPECT_EQ(run.status, 3);
  EXPECT_EQ(run.out, "1;0;first;second;");
}

TEST(ExitRoutine, HookThatExitsAgainDoesNotLoop) {
  kiln::test::TempDir dir;
  auto run = kiln::test::RunInChild(
      [] {
        qexit_add_hook(Again);
        qexit_add_hook(First);
        qexit(0);
      },
      dir.path());
  EXPECT_EQ(run.status, 9);
  EXPECT_EQ(run.out, "again;");
}

TEST(ExitRoutine, HookTableIsBounded) {
  kiln::test::TempDir dir;
  auto run = kiln::test::RunInChild(
      [] {
        static void (*const hooks[])() = {Numbered<1>,  Numbered<2>,  Numbered<3>,  Numbered<4>,  Numbered<5>,
                                           Numbered<6>,  Numbered<7>,  Numbered<8>,  Numbered<9>,  Numbered<10>,
                                           Numbered<11>, Numbered<12>, Numbered<13>, Numbered<14>, Numbered<15>,
                                           Numbered<16>, Numbered<17>, Numbered<18>};
        int added = 0;
        for (auto hook : hooks) added += qexit_add_hook(hook);
        std::printf("%d %d", added, qexit_add_hook(nullptr));
      },
      dir.path());
  EXPECT_EQ(run.out, "16 0");
}

}  // namespace
