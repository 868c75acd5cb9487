#include "stage/stage_view.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <optional>
#include <utility>

#include "stage/stage_layout.h"

namespace stanzo::stage {

namespace {

// Painting cost must stay bounded whatever a client sends (a 64 KB text
// at size 2000 would otherwise stall the thread that also serves the
// clients); no real slide comes near these.
constexpr qsizetype kMaxLines = 200;
constexpr qsizetype kMaxLineChars = 1000;

QColor Rgb(std::uint32_t rgb, int alpha) {
  return QColor(static_cast<int>((rgb >> 16) & 0xFF), static_cast<int>((rgb >> 8) & 0xFF),
                static_cast<int>(rgb & 0xFF), alpha);
}

void PaintMarquee(QPainter& painter, const QRect& frame, const Marquee& m) {
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setStyleHint(QFont::SansSerif);
  font.setBold(true);
  const int px = FontPixelSize(m.size, frame.height());
  font.setPixelSize(px);
  const QFontMetrics metrics(font);

  QStringList lines = QString::fromUtf8(m.text).split(QLatin1Char('\n'));
  if (lines.size() > kMaxLines) lines.resize(kMaxLines);
  int text_width = 0;
  QList<int> widths;
  for (QString& line : lines) {
    if (line.size() > kMaxLineChars) line.truncate(kMaxLineChars);
    widths.append(metrics.horizontalAdvance(line));
    text_width = std::max(text_width, widths.back());
  }

  const qreal outline = std::max<qreal>(1.0, px / 10.0);
  const int pad = static_cast<int>(outline / 2 + 1);
  const int shadow = std::max(1, px / 20);
  const int spacing = metrics.lineSpacing();
  const int text_height = metrics.height() + static_cast<int>(lines.size() - 1) * spacing;
  const Rect box = PlaceMarquee(
      frame.width(), frame.height(), text_width + 2 * pad, text_height + 2 * pad, m.position,
      ScaleToFrame(m.x, frame.height()), ScaleToFrame(m.y, frame.height()));

  const LineAlign align = AlignLines(m.position);
  QPainterPath path;
  for (qsizetype i = 0; i < lines.size(); ++i) {
    if (lines[i].isEmpty()) continue;
    const int free = text_width - widths[i];
    const int dx = align == LineAlign::kLeft ? 0 : align == LineAlign::kRight ? free : free / 2;
    const int baseline = box.y + pad + static_cast<int>(i) * spacing + metrics.ascent();
    path.addText(frame.x() + box.x + pad + dx, frame.y() + baseline, font, lines[i]);
  }
  if (path.isEmpty()) return;

  const QPen outline_pen(Rgb(0, m.opacity), outline, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  const QPainterPath shadow_path = path.translated(shadow, shadow);
  const QColor shadow_colour = Rgb(0, m.opacity * 3 / 5);
  painter.strokePath(shadow_path,
                     QPen(shadow_colour, outline, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  painter.fillPath(shadow_path, shadow_colour);
  painter.strokePath(path, outline_pen);
  painter.fillPath(path, Rgb(m.color, m.opacity));
}

}  // namespace

StageView::StageView(const Dialect& dialect, std::function<std::int64_t()> clock, QColor background,
                     QWidget* parent)
    : QWidget(parent), dialect_(dialect), clock_(std::move(clock)), background_(background) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMinimumSize(160, 90);
  expiry_.setSingleShot(true);
  connect(&expiry_, &QTimer::timeout, this, &StageView::overlaysChanged);
}

void StageView::paintStage(QPainter& painter, const QRect& area, const Dialect& dialect,
                           std::int64_t now_ms, const QColor& background) {
  painter.fillRect(area, background);
  const Rect fit = FitFrame(area.width(), area.height());
  const QRect frame(area.x() + fit.x, area.y() + fit.y, fit.width, fit.height);
  if (frame.isEmpty()) return;
  painter.save();
  painter.setClipRect(frame);
  painter.setRenderHint(QPainter::Antialiasing);
  for (int i = 0; i < kMarqueeCount; ++i) {
    const Marquee& m = dialect.marquee(i);
    if (IsVisible(m, now_ms)) PaintMarquee(painter, frame, m);
  }
  painter.restore();
}

void StageView::overlaysChanged() {
  update();
  scheduleExpiry();
}

void StageView::scheduleExpiry() {
  const std::int64_t now = clock_();
  std::optional<std::int64_t> next;
  for (int i = 0; i < kMarqueeCount; ++i) {
    const std::optional<std::int64_t> at = ExpiresAt(dialect_.marquee(i));
    if (at && *at > now && (!next || *at < *next)) next = at;
  }
  if (!next) {
    expiry_.stop();
    return;
  }
  // +1: the timer may fire a hair early; IsVisible must already be false.
  const std::int64_t wait = std::min<std::int64_t>(*next - now + 1, 24 * 3600 * 1000);
  expiry_.start(static_cast<int>(wait));
}

void StageView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  paintStage(painter, rect(), dialect_, clock_(), background_);
}

void StageView::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_F11) {
    toggleFullScreen();
  } else if (event->key() == Qt::Key_Escape && isFullScreen()) {
    showNormal();
  } else {
    QWidget::keyPressEvent(event);
  }
}

void StageView::mouseDoubleClickEvent(QMouseEvent*) {
  toggleFullScreen();
}

void StageView::toggleFullScreen() {
  if (isFullScreen()) {
    showNormal();
  } else {
    showFullScreen();
  }
}

}  // namespace stanzo::stage
