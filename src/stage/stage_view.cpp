#include "stage/stage_view.h"

#include <QFontMetrics>
#include <QGlyphRun>
#include <QImage>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRawFont>
#include <QTextLayout>
#include <algorithm>
#include <array>
#include <optional>
#include <utility>

#include "stage/stage_layout.h"

namespace stanzo::stage {

namespace {

constexpr qsizetype kMaxLines = 200;
constexpr qsizetype kMaxLineChars = 1000;

QColor Rgb(std::uint32_t rgb, int alpha) {
  return QColor(static_cast<int>((rgb >> 16) & 0xFF), static_cast<int>((rgb >> 8) & 0xFF),
                static_cast<int>(rgb & 0xFF), alpha);
}

// Everything that decides a marquee's picture, apart from where it goes.
struct Look {
  std::string text;
  int size = 0;
  std::uint32_t color = 0;
  int opacity = 0;
  LineAlign align = LineAlign::kLeft;
  int frame_height = 0;
  qreal pixel_ratio = 1;
  friend bool operator==(const Look&, const Look&) = default;
};

// A marquee's text laid out in box coordinates: (0, 0) is the top-left
// corner of its box, which includes room for the outline and shadow.
struct TextBox {
  QFont font;
  int px = 0;
  qreal outline = 0;
  int shadow = 0;
  int pad = 0;
  int ascent = 0;
  int spacing = 0;
  QStringList lines;
  QList<int> widths;
  QSize size;
};

TextBox Measure(const Look& look) {
  TextBox b;
  b.font = QFont(QStringLiteral("DejaVu Sans"));
  b.font.setStyleHint(QFont::SansSerif);
  b.font.setBold(true);
  b.px = FontPixelSize(look.size, look.frame_height);
  b.font.setPixelSize(b.px);
  const QFontMetrics metrics(b.font);
  b.outline = std::max<qreal>(1.0, b.px / 10.0);
  b.shadow = std::max(1, b.px / 20);
  b.pad = static_cast<int>(b.outline / 2) + 1;
  b.ascent = metrics.ascent();
  b.spacing = metrics.lineSpacing();
  b.lines = QString::fromStdString(look.text).split(QLatin1Char('\n'));
  if (b.lines.size() > kMaxLines) b.lines.resize(kMaxLines);
  int text_width = 0;
  for (QString& line : b.lines) {
    if (line.size() > kMaxLineChars) line.truncate(kMaxLineChars);
    b.widths.append(metrics.horizontalAdvance(line));
    text_width = std::max(text_width, b.widths.back());
  }
  const int text_height = metrics.height() + static_cast<int>(b.lines.size() - 1) * b.spacing;
  b.size = QSize(text_width + 2 * b.pad + b.shadow, text_height + 2 * b.pad + b.shadow);
  return b;
}

// The outlines of the glyphs of `box` that may reach `cull` (box
// coordinates); glyphs further away are skipped, so a giant text costs no
// more than what the frame can show.
QPainterPath GlyphPaths(const TextBox& box, LineAlign align, const QRectF& cull) {
  const qreal margin = box.px + box.outline + box.shadow;
  const QRectF reach = cull.adjusted(-margin, -margin, margin, margin);
  const int text_width = box.size.width() - 2 * box.pad - box.shadow;
  QPainterPath path;
  QTextOption option;
  option.setWrapMode(QTextOption::NoWrap);
  for (qsizetype i = 0; i < box.lines.size(); ++i) {
    const QString& line = box.lines[i];
    const qreal top = box.pad + static_cast<qreal>(i) * box.spacing;
    if (line.isEmpty() || top > reach.bottom() || top + box.spacing < reach.top()) continue;
    const int free = text_width - box.widths[i];
    const int dx = align == LineAlign::kLeft ? 0 : align == LineAlign::kRight ? free : free / 2;
    const QPointF baseline(box.pad + dx, top + box.ascent);

    QTextLayout layout(line, box.font);
    layout.setTextOption(option);
    layout.beginLayout();
    QTextLine text_line = layout.createLine();
    if (text_line.isValid()) text_line.setLineWidth(1e9);
    layout.endLayout();
    if (!text_line.isValid()) continue;
    // Run positions are relative to the layout, with y on the baseline.
    const QPointF origin = baseline - QPointF(0, text_line.ascent());
    for (const QGlyphRun& run : layout.glyphRuns()) {
      const QRawFont raw = run.rawFont();
      const QList<quint32> glyphs = run.glyphIndexes();
      const QList<QPointF> positions = run.positions();
      for (qsizetype g = 0; g < glyphs.size() && g < positions.size(); ++g) {
        const QPointF at = origin + positions[g];
        if (!raw.boundingRect(glyphs[g]).translated(at).intersects(reach)) continue;
        path.addPath(raw.pathForGlyph(glyphs[g]).translated(at));
      }
    }
  }
  return path;
}

// Renders the part `part` (box coordinates) of a marquee's box.
QImage Render(const TextBox& box, const Look& look, const QRect& part) {
  QImage image(part.size() * look.pixel_ratio, QImage::Format_ARGB32_Premultiplied);
  image.setDevicePixelRatio(look.pixel_ratio);
  image.fill(Qt::transparent);
  const QPainterPath path = GlyphPaths(box, look.align, QRectF(part));
  if (path.isEmpty()) return image;
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.translate(-part.topLeft());
  const QPen pen(Rgb(0, look.opacity), box.outline, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  p.fillPath(path.translated(box.shadow, box.shadow), Rgb(0, look.opacity * 3 / 5));
  p.strokePath(path, pen);
  p.fillPath(path, Rgb(look.color, look.opacity));
  return image;
}

}  // namespace

// One entry per marquee. A picture of the whole box is reused wherever the
// box goes; a box that reaches past the frame is rendered only where it is
// visible, and that picture is reused only at the same place.
struct MarqueeCache {
  struct Entry {
    Look look;
    std::optional<TextBox> box;
    QRect part;  // what `image` shows, in box coordinates
    bool whole = false;
    QPoint at;  // the box's place in the frame, for partial pictures
    QImage image;
  };
  std::array<Entry, kMarqueeCount> entries;
};

namespace {

void PaintMarquee(QPainter& painter, const QRect& frame, const Marquee& m,
                  MarqueeCache::Entry& entry) {
  Look look{m.text,
            m.size,
            m.color,
            m.opacity,
            AlignLines(m.position),
            frame.height(),
            painter.device() ? painter.device()->devicePixelRatioF() : 1.0};
  if (!entry.box || !(entry.look == look)) {
    entry = MarqueeCache::Entry{};
    entry.look = std::move(look);
    entry.box = Measure(entry.look);
  }
  const TextBox& box = *entry.box;
  const Rect placed =
      PlaceMarquee(frame.width(), frame.height(), box.size.width(), box.size.height(), m.position,
                   ScaleToFrame(m.x, frame.height()), ScaleToFrame(m.y, frame.height()));
  const QRect in_frame(placed.x, placed.y, placed.width, placed.height);
  const QRect visible = in_frame & QRect(QPoint(0, 0), frame.size());
  if (visible.isEmpty()) return;
  const bool whole = visible == in_frame;
  const QPoint at = in_frame.topLeft();
  if (entry.image.isNull() || entry.whole != whole || (!whole && entry.at != at)) {
    entry.whole = whole;
    entry.at = at;
    entry.part = visible.translated(-at);
    entry.image = Render(box, entry.look, entry.part);
  }
  painter.drawImage(frame.topLeft() + at + entry.part.topLeft(), entry.image);
}

}  // namespace

StageView::StageView(const Dialect& dialect, std::function<std::int64_t()> clock, QColor background,
                     QWidget* parent)
    : QWidget(parent),
      dialect_(dialect),
      clock_(std::move(clock)),
      background_(background),
      cache_(std::make_unique<MarqueeCache>()) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMinimumSize(160, 90);
  expiry_.setSingleShot(true);
  connect(&expiry_, &QTimer::timeout, this, &StageView::overlaysChanged);
}

StageView::~StageView() = default;

void StageView::paintStage(QPainter& painter, const QRect& area, const Dialect& dialect,
                           std::int64_t now_ms, const QColor& background, MarqueeCache* cache) {
  painter.fillRect(area, background);
  const Rect fit = FitFrame(area.width(), area.height());
  const QRect frame(area.x() + fit.x, area.y() + fit.y, fit.width, fit.height);
  if (frame.isEmpty()) return;
  MarqueeCache local;
  MarqueeCache& pictures = cache ? *cache : local;
  painter.save();
  painter.setClipRect(frame);
  for (int i = 0; i < kMarqueeCount; ++i) {
    const Marquee& m = dialect.marquee(i);
    if (IsVisible(m, now_ms)) PaintMarquee(painter, frame, m, pictures.entries[i]);
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
  // A coarse timer may fire a little early; the repaint then finds the
  // text still due and this schedules again.
  const std::int64_t wait = std::min<std::int64_t>(*next - now + 1, 24 * 3600 * 1000);
  expiry_.start(static_cast<int>(wait));
}

void StageView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  paintStage(painter, rect(), dialect_, clock_(), background_, cache_.get());
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
