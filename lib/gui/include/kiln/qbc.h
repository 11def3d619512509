/// \file
/// QBC, the program's main drawing window.
#pragma once

#include <memory>

#include <kiln/qdraw.h>

class QBitMap;
class QGroup;

/// The BC's sizes: video sizes, or the one given.
enum QBCMode {
  QBC_MODE_768x576 = 1,
  QBC_MODE_640x480 = 2,
  QBC_MODE_720x576 = 3,
  QBC_MODE_1280x1024 = 4,
  QBC_MODE_CUSTOM = 5  ///< the size given
};

/// What the BC shows at its swap, and marks kept for the program.
enum QBCFlags {
  QBCF_OPTION = 1,      ///< set and kept for the program
  QBCF_PREVIEW = 2,     ///< the letterboxed video preview
  QBCF_GUIDES = 4,      ///< the safe-area guides
  QBCF_MARK = 8,        ///< set, cleared and kept for the program
  QBCF_ALPHA_VIEW = 16  ///< the alpha channel instead of the colours
};

/// The BC: the program's main drawing window, a real window of a video size
/// in a thin frame. Its swap can show the picture as a letterboxed 576-line
/// video preview squeezed to three quarters, draw safe-area guides, or show
/// the alpha channel instead of the colours.
class QBC : public QDraw {
public:
  /// Makes the frame in the parent at once; the window is made by Create().
  QBC(QWindow *parent, int mode, int x, int y, int width, int height);
  /// The frame goes first, then the window.
  ~QBC() override;

  const char *ClassName() const override { return "QBC"; }
  /// Motion is left to the program: never consumed.
  bool OnMotion(int, int) override { return false; }
  /// The preview, the guides and the alpha view are drawn into the back
  /// buffer before the buffers swap; afterwards the preview's squeeze is
  /// undone, so the program finds its picture there again. The program's
  /// OpenGL state is left as it was.
  void Swap() override;

  /// Each call marks the application's graphic elements for repaint.
  void SetPreview(bool on);
  /// Turning them off marks the graphic elements for repaint.
  void SetGuides(bool on);
  /// Shows the alpha channel (as grey) at each swap.
  void SetAlphaView(bool on);
  ///@{
  /// The program's option and mark bits (QBCF_OPTION, QBCF_MARK), kept for
  /// it and never looked at.
  void SetOption(bool on);
  void SetMark();
  void ClearMark();
  ///@}
  /// The QBCFlags set.
  int GetBCFlags() const { return bcFlags; }
  /// Whether the window's visual has alpha bits.
  bool HasAlpha() const;
  /// True when the visual has alpha bits; without them it can't be had on
  /// this platform, and says so.
  bool SwitchToAlpha();

  ///@{
  /// Shared by all BCs; every BC constructor sets mode 1 and letterbox on.
  static void SetPreviewMode(int mode) { previewMode = mode; }
  static int GetPreviewMode() { return previewMode; }
  static void SetLetterbox(bool on) { letterbox = on; }
  static bool IsLetterboxed() { return letterbox; }
  ///@}

private:
  void Squeeze() const;
  void Unsqueeze() const;
  void DrawGuides() const;
  void ShowAlpha();

  static int previewMode;
  static bool letterbox;

  int bcFlags = 0;
  std::unique_ptr<QGroup> frame;
  std::unique_ptr<QBitMap> alphaView;
};
