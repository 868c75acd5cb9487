// The stage window: the three marquees of a Dialect, painted over a plain
// background into the largest 16:9 frame that fits the widget, placed by
// the rules of stage_layout.h. Text is plain, bold sans, with a dark
// outline and shadow so that it reads over any picture.
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

#include "stage/stage_dialect.h"

class QPainter;

namespace stanzo::stage {

class StageView : public QWidget {
  Q_OBJECT

 public:
  StageView(const Dialect& dialect, std::function<std::int64_t()> clock, QColor background,
            QWidget* parent = nullptr);

  QSize sizeHint() const override { return {960, 540}; }

  // Paints the whole stage into `area` of `painter`: background, then the
  // visible marquees m1, m2, m3 in that order, clipped to the frame.
  static void paintStage(QPainter& painter, const QRect& area, const Dialect& dialect,
                         std::int64_t now_ms, const QColor& background);

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
};

}  // namespace stanzo::stage
