// Graphic elements on a real BC: frames read back from the back buffer
// before each swap, the paints each frame makes, controls driving gels,
// filters animated by the first FX manager, and playback finishing what a
// state starts.
#include "app_fixture.h"

#include <kiln/qbitmap.h>
#include <kiln/qbitmapgel.h>
#include <kiln/qcanvas.h>
#include <kiln/qcontrol.h>
#include <kiln/qfilter.h>
#include <kiln/qfxmanager.h>
#include <kiln/qgel.h>
#include <kiln/qgellist.h>
#include <kiln/qstate.h>
#include <kiln/qstatemanager.h>

#include <GL/gl.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

using kiln::test::AppFixture;

namespace {

constexpr int kWidth = 200, kHeight = 100;
using Rgb = std::array<int, 3>;

std::vector<std::string> calls;  // the paints of the frame, in order

// A gel of one colour, painted with blits (queued like every gel's).
class SolidGel : public QGel {
public:
  SolidGel(std::string name, Rgb rgb, int x, int y, int w, int h, int depth) : name(std::move(name)), bitmap(32, w, h) {
    for (int i = 0; i < w * h; ++i) {
      uint8_t *p = bitmap.GetBuffer() + i * 4;
      p[0] = static_cast<uint8_t>(rgb[0]);
      p[1] = static_cast<uint8_t>(rgb[1]);
      p[2] = static_cast<uint8_t>(rgb[2]);
      p[3] = 255;
    }
    SetPos(x, y, depth);
    SetSize(w, h);
  }
  void Paint() override {
    calls.push_back(name);
    canvas->Blit(&bitmap, x, y);
  }
  void PaintPart(const QRect &part) override {
    calls.push_back(name + " part " + std::to_string(part.x) + "," + std::to_string(part.y) + " " +
                    std::to_string(part.width) + "x" + std::to_string(part.height));
    canvas->Blit(&bitmap, x + part.x, y + part.y, part.width, part.height, part.x, part.y);
  }
  std::string name;
  QBitMap bitmap;
};

// The BC's back buffer, rows from the top.
struct Frame {
  std::vector<unsigned char> rgb;
  Rgb At(int x, int y) const {
    const std::size_t i = (static_cast<std::size_t>(kHeight - 1 - y) * kWidth + static_cast<std::size_t>(x)) * 3;
    return {rgb[i], rgb[i + 1], rgb[i + 2]};
  }
  int Count(Rgb colour) const {
    int count = 0;
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) count += At(x, y) == colour;
    return count;
  }
};
std::vector<Frame> frames;

void ReadFrame(QFXManager *) {
  Frame frame;
  frame.rgb.resize(kWidth * kHeight * 3);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadBuffer(GL_BACK);
  glReadPixels(0, 0, kWidth, kHeight, GL_RGB, GL_UNSIGNED_BYTE, frame.rgb.data());
  frames.push_back(std::move(frame));
}

const Rgb kGrey{90, 90, 90}, kRed{255, 0, 0}, kBlue{0, 0, 255};

class Gels : public AppFixture {
protected:
  void SetUp() override {
    AppFixture::SetUp();
    if (IsSkipped()) return;
    bcPlace.Set(45, 45, kWidth, kHeight);
    app->PrefBCRect(&bcPlace);
    ASSERT_TRUE(app->Create());
    Settle();
    manager = app->GetFXManager(0);
    ASSERT_NE(manager, nullptr);
    manager->SetCallback(ReadFrame);
    background = std::make_unique<SolidGel>("ground", kGrey, 0, 0, kWidth, kHeight, 0);
    frames.clear();
    calls.clear();
  }
  void TearDown() override {
    background.reset();
    AppFixture::TearDown();
  }
  // Frames until nothing is marked; the paints of the last one.
  void Settle() { AppFixture::Settle(); }
  void SettleGels() {
    for (int i = 0; i < 4 && app->GetGelList()->NeedsPaint(); ++i) manager->Iterate();
  }
  std::vector<std::string> Frame() {
    calls.clear();
    manager->Iterate();
    return calls;
  }
  QRect bcPlace;
  QFXManager *manager = nullptr;
  std::unique_ptr<SolidGel> background;
};

TEST_F(Gels, AGelDrivenByAControlIsWhereItsControlSaidInEveryFrame) {
  SolidGel gel("red", kRed, 0, 40, 20, 20, 1);
  static std::vector<int> reported;
  reported.clear();
  QControl control;
  control.SetCallback(
      [](QControl *, void *data, int value) {
        static_cast<SolidGel *>(data)->SetPos(value, 40, 1);
        reported.push_back(value);
        return 0;
      },
      &gel);
  control.Key(10, 170);
  manager->Add(&control);
  ASSERT_TRUE(manager->RunToEnd());
  // Ten frames of values, one that finds the last key behind, one with the
  // final report.
  ASSERT_EQ(frames.size(), 12u);
  ASSERT_EQ(reported.size(), 11u);
  for (std::size_t f = 0; f < frames.size(); ++f) {
    const int x = reported[std::min<std::size_t>(f, 9)];
    EXPECT_EQ(frames[f].At(x, 50), kRed) << "frame " << f;
    EXPECT_EQ(frames[f].At(x + 19, 59), kRed) << "frame " << f;
    if (x > 0) {
      EXPECT_EQ(frames[f].At(x - 1, 50), kGrey) << "frame " << f;
    }
    EXPECT_EQ(frames[f].Count(kRed), 400) << "frame " << f;  // nothing left behind
  }
}

TEST_F(Gels, EachFrameRepaintsWhatAChangeTouchesInDepthOrder) {
  SolidGel low("low", kRed, 10, 10, 40, 40, 1), high("high", kBlue, 30, 30, 40, 40, 2);
  SettleGels();
  EXPECT_EQ(Frame(), std::vector<std::string>{});
  EXPECT_EQ(frames.back().At(35, 35), kBlue);  // the higher depth on top

  low.SetPos(20, 10, 1);  // under the deeper gel: it is painted again
  EXPECT_EQ(Frame(), (std::vector<std::string>{"ground part 10,10 40x40", "low", "ground part 30,30 40x40",
                                                "low part 10,20 30x20", "high"}));
  // Once more for the other buffer.
  EXPECT_EQ(Frame(), (std::vector<std::string>{"ground part 20,10 40x40", "low", "ground part 30,30 40x40",
                                                "low part 10,20 30x20", "high"}));
  EXPECT_EQ(Frame(), std::vector<std::string>{});
  EXPECT_EQ(frames.back().At(15, 15), kGrey);
  EXPECT_EQ(frames.back().At(25, 15), kRed);
  EXPECT_EQ(frames.back().At(45, 45), kBlue);

  high.Hide();  // what it covered shows
  Frame();
  Frame();
  EXPECT_EQ(frames.back().At(45, 45), kRed);
  EXPECT_EQ(frames.back().At(65, 65), kGrey);
  EXPECT_EQ(app->GetGelList()->GelAt(45, 45), &low);
  high.Show();
  SettleGels();
  EXPECT_EQ(app->GetGelList()->GelAt(45, 45), &high);
  EXPECT_EQ(app->GetGelList()->GelAt(5, 5), background.get());
  EXPECT_EQ(app->GetGelList()->GetMaxDepth(), 2);

  {
    SolidGel top("top", kRed, 100, 50, 30, 30, 5);  // added to a sorted list: sorted in
    SettleGels();
    EXPECT_EQ(frames.back().At(110, 60), kRed);
  }
  SettleGels();  // gone: what it covered shows again
  EXPECT_EQ(frames.back().At(110, 60), kGrey);
}

TEST_F(Gels, KeysGroupGelsToHideAndShow) {
  SetGelKey(7);
  SolidGel keyed("keyed", kRed, 100, 10, 20, 20, 1);
  SetGelKey(0);
  SolidGel plain("plain", kBlue, 150, 10, 20, 20, 1);
  SettleGels();
  app->GetGelList()->HideKey(7);
  SettleGels();
  EXPECT_EQ(frames.back().At(110, 20), kGrey);
  EXPECT_EQ(frames.back().At(160, 20), kBlue);
  app->GetGelList()->HideAll();
  app->GetGelList()->ShowKey(7);
  SettleGels();
  EXPECT_EQ(frames.back().At(110, 20), kRed);
  EXPECT_EQ(app->GetGelList()->GelAt(160, 20), nullptr);
  app->GetGelList()->ShowAll();
  SettleGels();
  EXPECT_EQ(frames.back().At(160, 20), kBlue);
  app->GetBC()->SetPreview(true);  // a new view: everything again
  EXPECT_TRUE(keyed.IsDirty() && plain.IsDirty() && background->IsDirty());
  app->GetBC()->SetPreview(false);
  SettleGels();
}

TEST_F(Gels, AFadeKeyedOverTenFramesReachesEachAlphaInItsFrame) {
  // A white picture of alpha 200, faded afresh at each report and blended
  // over black by a gel: its red is the alpha.
  QBitMap picture(32, 20, 20);
  for (int i = 0; i < 400; ++i) {
    uint8_t *p = picture.GetBuffer() + i * 4;
    p[0] = p[1] = p[2] = 255;
    p[3] = 200;
  }
  class PictureGel : public QGel {
  public:
    explicit PictureGel(const QBitMap &picture) : shown(picture) {
      shown.CopyPixels(picture);
      SetPos(50, 50, 2);
      SetSize(20, 20);
    }
    void Paint() override {
      canvas->Blend(true);
      canvas->Blit(&shown, x, y);
      canvas->Blend(false);
    }
    QBitMap shown;
  };
  SolidGel black("black", {0, 0, 0}, 50, 50, 20, 20, 1);
  PictureGel gel(picture);
  static std::vector<int> alphas;
  alphas.clear();
  struct Context {
    const QBitMap *picture;
    PictureGel *gel;
  } context{&picture, &gel};
  QFilterFade fade;
  EXPECT_STREQ(fade.ClassName(), "QFilter");
  fade.SetCallback(
      [](QFilter *filter, void *data) {
        auto *c = static_cast<Context *>(data);
        c->gel->shown.CopyPixels(*c->picture);
        filter->Do(&c->gel->shown);
        c->gel->Invalidate();
        alphas.push_back(c->gel->shown.GetBuffer()[3]);
      },
      &context);
  fade.GetControl()->Key(10, 100);
  app->SyncFX();
  EXPECT_EQ(alphas, (std::vector<int>{200, 178, 156, 134, 112, 90, 68, 46, 24, 0, 0}));
  ASSERT_GE(frames.size(), 11u);
  for (std::size_t f = 0; f < 11; ++f) EXPECT_NEAR(frames[f].At(60, 60)[0], alphas[f], 1) << "frame " << f;
  EXPECT_TRUE(fade.GetControl()->IsDone());
  EXPECT_FALSE(app->GetGelList()->NeedsPaint());

  capture.Take();
  QFilter plain;
  plain.Do(&picture);
  EXPECT_NE(capture.Take().find("QFilter::Do abstract call"), std::string::npos);
}

TEST_F(Gels, PlaybackFinishesWhatAStateStarts) {
  static QControl *control;
  QControl slide;
  control = &slide;
  manager->Add(&slide);
  QState state("sliding", nullptr, [](QState *) { control->Key(20, 100); });
  app->GetStateManager()->SetState(&state);
  app->GetStateManager()->StepBack();
  ASSERT_TRUE(app->GetStateManager()->PlayNext(false));
  EXPECT_TRUE(slide.IsDone());
  EXPECT_EQ(slide.GetValue(), 100);
  EXPECT_FALSE(app->GetGelList()->NeedsPaint());
}

TEST_F(Gels, GelsMayGoDuringAFrameAndRestlessOnesAreStopped) {
  static std::unique_ptr<SolidGel> doomed;
  class Destroyer : public SolidGel {
  public:
    using SolidGel::SolidGel;
    void Paint() override {
      SolidGel::Paint();
      doomed.reset();
    }
  };
  Destroyer destroyer("destroyer", kRed, 10, 10, 20, 20, 1);
  doomed = std::make_unique<SolidGel>("doomed", kBlue, 20, 20, 20, 20, 2);
  SettleGels();
  EXPECT_EQ(doomed, nullptr);
  EXPECT_EQ(frames.back().At(35, 35), kGrey);
  EXPECT_EQ(frames.back().At(15, 15), kRed);

  class Restless : public SolidGel {
  public:
    using SolidGel::SolidGel;
    void PostPaint() override { Invalidate(); }
  };
  Restless restless("restless", kBlue, 100, 10, 10, 10, 1);
  capture.Take();
  frames.clear();
  app->SyncFX();
  EXPECT_EQ(frames.size(), static_cast<std::size_t>(QApp::kMaxSettleFrames));
  EXPECT_NE(capture.Take().find("QApp:SyncFX; gels still marked after 100 frames; stopped"), std::string::npos);

  // Gels and effects outlive the application's list and managers.
  auto survivor = std::make_unique<SolidGel>("survivor", kRed, 0, 0, 5, 5, 1);
  auto effect = std::make_unique<QControl>();
  manager->Add(effect.get());
  background.reset();
  app.reset();
  EXPECT_EQ(survivor->GetList(), nullptr);
  EXPECT_EQ(effect->GetManager(), nullptr);
  survivor.reset();
  effect.reset();

  // A list without a canvas paints nothing.
  QGelList bare;
  bare.SetCanvas(nullptr);
  testing::internal::CaptureStdout();
  bare.Update();
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "** cv==0\n");
}


// The library's bitmap gels take the path that draws each pixel once; a
// class made from QBitmapGel takes the one every program gel takes. Both
// leave the same frames through moves under and over other gels, blended
// gels among them, hides, shows, depth changes, a gel destroyed and a
// picture changed in place.
TEST_F(Gels, BitmapGelsLeaveTheFramesProgramGelsLeave) {
  class ProgramGel : public QBitmapGel {
  public:
    using QBitmapGel::QBitmapGel;
  };
  background.reset();
  std::vector<std::unique_ptr<QBitMap>> pictures;
  unsigned seed = 7;
  const auto next = [&seed](unsigned range) {
    seed = seed * 1103515245 + 12345;
    return static_cast<int>((seed >> 8) % range);
  };
  pictures.emplace_back(new QBitMap(32, kWidth, kHeight));
  for (int i = 0; i < 40; ++i) pictures.emplace_back(new QBitMap(32, 8 + next(40), 8 + next(30)));
  for (std::size_t p = 0; p < pictures.size(); ++p) {
    uint8_t *bytes = pictures[p]->GetBuffer();
    for (int i = 0; i < pictures[p]->GetBufferSize(); ++i) bytes[i] = static_cast<uint8_t>(i * 3 + p * 41 + (i >> 7));
  }
  const auto play = [&](bool plain) {
    seed = 7;
    glClear(GL_COLOR_BUFFER_BIT);
    app->GetBC()->Swap();
    glClear(GL_COLOR_BUFFER_BIT);
    std::vector<std::unique_ptr<QBitmapGel>> gels;
    for (std::size_t p = 0; p < pictures.size(); ++p) {
      const bool blend = p % 9 == 4;
      gels.emplace_back(plain ? new QBitmapGel(pictures[p].get(), blend) : new ProgramGel(pictures[p].get(), blend));
      if (p > 0) gels.back()->SetPos(next(kWidth) - 20, next(kHeight) - 15, static_cast<int>(p % 13) + 1);
    }
    EXPECT_EQ(QBitmapGel::IsPlain(gels[1].get()), plain);
    frames.clear();
    for (int frame = 0; frame < 30; ++frame) {
      for (int moves = 0; moves < 6; ++moves) {
        QBitmapGel &gel = *gels[static_cast<std::size_t>(1 + next(static_cast<unsigned>(gels.size() - 1)))];
        gel.SetPos(gel.GetX() + next(9) - 4, gel.GetY() + next(7) - 3, gel.GetDepth());
      }
      if (frame == 8) gels[3]->Hide(), gels[11]->Hide();
      if (frame == 12) gels[3]->Show();
      if (frame == 15) gels[5]->SetDepth(20), gels[6]->SetDepth(0);
      if (frame == 18) gels.erase(gels.begin() + 7);
      if (frame == 21) {
        pictures[2]->GetBuffer()[40] ^= 0xFF;
        gels[2]->Invalidate();
      }
      manager->Iterate();
    }
    return std::move(frames);
  };
  const decltype(frames) fast = play(true), slow = play(false);
  ASSERT_EQ(fast.size(), slow.size());
  for (std::size_t f = 0; f < fast.size(); ++f) EXPECT_TRUE(fast[f].rgb == slow[f].rgb) << "frame " << f;
}

}  // namespace
