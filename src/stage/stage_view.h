// The stage window: the three marquees of a Dialect, painted over a plain
// background into the largest 16:9 frame that fits the widget, placed by
// the rules of stage_layout.h. Text is plain, bold sans, with a dark
// outline and shadow so that it reads over any picture.
//
// Painting cost stays bounded whatever clients send: only the first 200
// lines of a text and the first 1000 characters of a line are laid out,
// only glyphs that can reach the frame are drawn, and each marquee's
// picture is kept and reused until its text or look changes, so moving a
// marquee (marq-x, marq-y, marq-position) costs a copy, not a redraw.
//
// Threading: GUI thread only. The view reads the Dialect it is given (not
// owned; it must outlive the view) whenever it paints; call
// overlaysChanged() after the Dialect changed. Timeouts are handled here:
// the view repaints by itself when a marquee's time is up, reading the
// time from `clock`, which must be the clock the Dialect was fed with.
#pragma once

#include <QColor>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>

#include "stage/stage_dialect.h"

class QPainter;

namespace stanzo::stage {

// Rendered marquee pictures kept between paints; see paintStage().
struct MarqueeCache;

class StageView : public QWidget {
  Q_OBJECT

 public:
  StageView(const Dialect& dialect, std::function<std::int64_t()> clock, QColor background,
            QWidget* parent = nullptr);
  ~StageView() override;

  QSize sizeHint() const override { return {960, 540}; }

  // Paints the whole stage into `area` of `painter`: background, then the
  // visible marquees m1, m2, m3 in that order, clipped to the frame.
  // `cache` (may be null) keeps rendered pictures for the next call.
  static void paintStage(QPainter& painter, const QRect& area, const Dialect& dialect,
                         std::int64_t now_ms, const QColor& background,
                         MarqueeCache* cache = nullptr);

 public slots:
  void overlaysChanged();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  void toggleFullScreen();
  void scheduleExpiry();

  const Dialect& dialect_;
  std::function<std::int64_t()> clock_;
  QColor background_;
  QTimer expiry_;
  std::unique_ptr<MarqueeCache> cache_;
};

}  // namespace stanzo::stage
