#include "app/camera_group.h"

#include <QRadioButton>

#include "app/controls.h"
#include "console/window_rules.h"

namespace stanzo {
namespace {

// The whole row of a camera choice takes the click, not only its circle
// and caption: an operator aims at a row, mid-show.
class RowRadioButton : public QRadioButton {
 public:
  using QRadioButton::QRadioButton;

 protected:
  bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }
};

}  // namespace

RadioGroup::RadioGroup(const QString& caption, QWidget* parent) : QGroupBox(caption, parent) {
  setFocusPolicy(Qt::NoFocus);
}

void RadioGroup::clearItems() {
  // Deferred: a reload can run inside a button's own click (events run
  // while a camera command is sent), and the button must outlive it.
  for (QRadioButton* b : buttons_) {
    b->setAutoExclusive(false);  // out of the group before the new items come
    b->hide();
    b->disconnect(this);
    b->deleteLater();
  }
  buttons_.clear();
  selected_ = -1;
}

void RadioGroup::addItem(const QString& text) {
  QRadioButton* b = new RowRadioButton(ButtonCaption(text), this);
  // Auto-exclusive, as a radio button is: the accessibility layer reports
  // the radio-button role only then, and the toolkit keeps one checked
  // button and lets a click on it change nothing.
  b->setAutoExclusive(true);
  b->setFont(font());
  const int index = static_cast<int>(buttons_.size());
  connect(b, &QRadioButton::toggled, this, [this, index](bool on) { OnToggled(index, on); });
  buttons_.push_back(b);
  b->show();
  Relayout();
  UpdateFocusPolicies();
}

void RadioGroup::setItemIndex(int index) {
  silent_ = true;
  for (int i = 0; i < count(); ++i) {
    // The toolkit never unchecks the checked button of an exclusive set:
    // step out of it for the moment, so the selection can be cleared.
    QRadioButton* b = buttons_[i];
    b->setAutoExclusive(false);
    b->setChecked(i == index);
    b->setAutoExclusive(true);
  }
  selected_ = (index >= 0 && index < count()) ? index : -1;
  silent_ = false;
  UpdateFocusPolicies();
}

void RadioGroup::OnToggled(int index, bool checked) {
  // The toolkit unchecks the previous choice itself (that toggle is not a
  // choice), and a click on the checked button toggles nothing.
  if (silent_ || !checked || !CameraChoiceCounts(selected_, index, count())) return;
  selected_ = index;
  UpdateFocusPolicies();
  emit clicked(index);
}

void RadioGroup::UpdateFocusPolicies() {
  for (int i = 0; i < count(); ++i)
    buttons_[i]->setFocusPolicy(i == selected_ ? Qt::StrongFocus : Qt::ClickFocus);
}

void RadioGroup::resizeEvent(QResizeEvent* event) {
  QGroupBox::resizeEvent(event);
  Relayout();
}

void RadioGroup::setScale(double scale) {
  scale_ = scale;
  Relayout();
}

void RadioGroup::Relayout() {
  const int n = count();
  const std::vector<Rect> rows = CameraRows(width(), height(), fontMetrics().height(), n, scale_);
  for (int i = 0; i < n; ++i) {
    const Rect& r = rows[static_cast<size_t>(i)];
    buttons_[static_cast<size_t>(i)]->setGeometry(r.left, r.top, r.width, r.height);
  }
}

}  // namespace stanzo
