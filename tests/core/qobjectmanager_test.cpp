// Sharing by name: making, attaching, releasing and reusing slots, with a
// manager that counts what it makes and releases.
#include <gtest/gtest.h>

#include <kiln/qobjectmanager.h>

#include <string>
#include <vector>

#include "message_capture.h"

using kiln::test::MessageCapture;

namespace {

class CountingManager : public QObjectManager {
public:
  ~CountingManager() override {
    // Objects left over belong to the test; they are plain ints.
    for (int slot = 0; slot < count; ++slot) {
      delete static_cast<int *>(objects[slot]);
      objects[slot] = nullptr;
    }
  }
  void PrepareName(qstring &name) override {
    if (lowerCase) name.ToLower();
  }
  void *MakeObject(const char *name) override {
    made.push_back(name);
    if (std::string(name) == "broken") return nullptr;
    return new int(static_cast<int>(made.size()));
  }
  void ReleaseObject(void *object) override {
    released.push_back(*static_cast<int *>(object));
    delete static_cast<int *>(object);
  }

  bool lowerCase = false;
  std::vector<std::string> made;
  std::vector<int> released;
};

TEST(QObjectManager, SharesByNameAndReleasesOnTheLastReference) {
  CountingManager manager;
  int first = manager.FindOrMake("rock.tga");
  EXPECT_EQ(first, 1);
  EXPECT_EQ(manager.FindOrMake("rock.tga"), first);
  EXPECT_EQ(manager.GetRefCount(first), 2);
  EXPECT_EQ(manager.made.size(), 1u);
  EXPECT_EQ(manager.Find("rock.tga"), first);
  EXPECT_EQ(manager.Find("Rock.tga"), 0);  // names compare exactly
  EXPECT_EQ(manager.GetRefCount(first), 2);  // Find adds nothing

  manager.Release(first);
  EXPECT_TRUE(manager.released.empty());
  manager.Release(first);
  EXPECT_EQ(manager.released, std::vector<int>{1});
  EXPECT_EQ(manager.Find("rock.tga"), 0);
  EXPECT_EQ(manager.GetObject(first), nullptr);
}

TEST(QObjectManager, FreedSlotsAreReusedFirstAndPreparedNamesAreUsed) {
  CountingManager manager;
  manager.lowerCase = true;
  int a = manager.FindOrMake("A");
  int b = manager.FindOrMake("B");
  EXPECT_EQ(b, 2);
  EXPECT_EQ(manager.FindOrMake("a"), a);  // prepared to the same name
  manager.Release(a);
  manager.Release(a);
  EXPECT_EQ(manager.FindOrMake("c"), 1);  // the free slot below count
  EXPECT_EQ(manager.GetRefCount(1), 1);
  EXPECT_STREQ(manager.GetObjectName(1), "c");
  EXPECT_EQ(manager.FindOrMake("d"), 3);
  EXPECT_EQ(manager.GetCount(), 3);
}

TEST(QObjectManager, FailuresLeaveTheSlotFree) {
  CountingManager manager;
  EXPECT_EQ(manager.FindOrMake("broken"), 0);
  EXPECT_EQ(manager.GetObjectName(1), nullptr);
  EXPECT_EQ(manager.FindOrMake("fine"), 1);

  QObjectManager base;  // makes nothing, never an unusable pointer
  EXPECT_EQ(base.FindOrMake("anything"), 0);
  EXPECT_EQ(base.GetObject(1), nullptr);
}

TEST(QObjectManager, BadNumbersChangeNothing) {
  CountingManager manager;
  int number = manager.FindOrMake("x");
  MessageCapture capture;
  manager.Attach(0);
  manager.Release(0);
  manager.Release(-5);
  manager.Attach(QObjectManager::kCapacity + 1);
  manager.Release(1 << 30);
  EXPECT_EQ(capture.Take(),
            "** Error: QObjectManagr:Attach(ref 0) out of range\n"
            "** Error: QObjectManagr:Release(ref 0) out of range\n"
            "** Error: QObjectManagr:Release(ref -5) out of range\n"
            "** Error: QObjectManagr:Attach(ref 3001) out of range\n"
            "** Error: QObjectManagr:Release(ref 1073741824) out of range\n");
  manager.Release(number);
  manager.Release(number);  // released twice: reported, not released again
  EXPECT_EQ(capture.Take(), "** Error: QObjectManagr:Release(ref 1) out of range\n");
  EXPECT_EQ(manager.released.size(), 1u);
  EXPECT_EQ(manager.GetRefCount(number), 0);
  // The slot starts afresh for the next name.
  EXPECT_EQ(manager.FindOrMake("y"), number);
  EXPECT_EQ(manager.GetRefCount(number), 1);
}

TEST(QObjectManager, FreeNamesNeverHandsOutLiveSlots) {
  CountingManager manager;
  int kept = manager.FindOrMake("kept");
  int gone = manager.FindOrMake("gone");
  manager.Release(gone);
  manager.FreeNames();
  EXPECT_EQ(manager.GetCount(), 1);
  EXPECT_EQ(manager.Find("kept"), 0);  // names are gone
  int fresh = manager.FindOrMake("fresh");
  EXPECT_NE(fresh, kept);
  EXPECT_EQ(*static_cast<int *>(manager.GetObject(kept)), 1);
  manager.Release(kept);
  EXPECT_EQ(manager.released, (std::vector<int>{2, 1}));
}

TEST(QObjectManager, FullTableAndReports) {
  CountingManager manager;
  for (int i = 0; i < QObjectManager::kCapacity; ++i) ASSERT_EQ(manager.FindOrMake(std::to_string(i).c_str()), i + 1);
  MessageCapture capture;
  EXPECT_EQ(manager.FindOrMake("one more"), 0);
  EXPECT_EQ(capture.Take(), "QObjectManager:FindOrMake() out of space\n");
  EXPECT_EQ(manager.FindOrMake("7"), 8);  // existing names still work

  CountingManager small;
  small.FindOrMake("sky");
  small.FindOrMake("sea");
  small.FindOrMake("sea");
  small.Release(1);
  small.DbgPrint("textures");
  std::string printed = capture.Take();
  EXPECT_NE(printed.find("QObjectManager (textures); 2 potential references\n"), std::string::npos) << printed;
  EXPECT_NE(printed.find(": 'sea' (refCount 2)\n"), std::string::npos) << printed;
  EXPECT_EQ(printed.find("sky"), std::string::npos);  // released
}

TEST(QObjectManager, DestructorReportsLeftoverObjects) {
  struct Leaky : QObjectManager {
    int thing = 0;
    void *MakeObject(const char *) override { return &thing; }
  };
  MessageCapture capture;
  {
    Leaky leaky;
    leaky.FindOrMake("leftover");
    leaky.Attach(1);
    leaky.FindOrMake("released");
    leaky.Release(2);
  }
  EXPECT_EQ(capture.Take(), "QObjMgr: object 'leftover' still around with 2 reference(s)\n");
}

}  // namespace
