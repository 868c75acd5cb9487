// The camera group: a radio group of the camera names, the window's one
// control that Qt has no match for. Its rules are the core's
// (console/window_rules.h); this is their wiring to Qt's buttons.
#pragma once

#include <QGroupBox>
#include <QString>
#include <vector>

class QRadioButton;

namespace stanzo {

// A framed radio group with one column of items (CameraRows). No item is
// selected at start; clicked(index) is emitted only for a new choice
// (CameraChoiceCounts: choosing the selected one again emits nothing). Tab
// reaches the group only at its selected button.
class RadioGroup : public QGroupBox {
  Q_OBJECT
 public:
  explicit RadioGroup(const QString& caption, QWidget* parent = nullptr);

  // Removes every item; this also clears the selection.
  void clearItems();
  void addItem(const QString& text);
  int count() const { return static_cast<int>(buttons_.size()); }
  QRadioButton* button(int index) const { return buttons_.at(index); }
  int itemIndex() const { return selected_; }
  // Selects `index` without emitting clicked; -1 clears the selection.
  void setItemIndex(int index);
  // The window's layout scale, which scales the rows' margins.
  void setScale(double scale);

 signals:
  void clicked(int index);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Relayout();
  void OnToggled(int index, bool checked);
  void UpdateFocusPolicies();

  std::vector<QRadioButton*> buttons_;
  int selected_ = -1;
  double scale_ = 1.0;
  bool silent_ = false;
};

}  // namespace stanzo
