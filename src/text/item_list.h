// A narrow view of an ordered, unsorted list of text items that the GUI
// shows (a combo box's history, for example). Rules that edit such lists
// are written against this interface so tests can run them on plain data.
#pragma once

#include <string>
#include <vector>

namespace stanzo {

class ItemList {
 public:
  virtual ~ItemList() = default;
  virtual int Count() const = 0;
  virtual std::string Item(int index) const = 0;
  virtual void Insert(int index, const std::string& text) = 0;
  virtual void Delete(int index) = 0;
  // Makes item `index` the current one (a combo box's edit line shows it).
  virtual void Select(int index) = 0;
};

// The newest-first history rule: when `text` differs from item 0 (exact,
// whole-text comparison; an empty list has an empty item 0), delete the
// item at index `cap` if the list holds more than `cap` items, insert `text`
// at index 0 and select it. Otherwise nothing changes.
void RecordNewest(ItemList& list, const std::string& text, int cap);

// Deletes the last item while the list holds more than `maxCount` items.
void TrimTo(ItemList& list, int maxCount);

// ItemList over a std::vector, for tests and for code without widgets.
class VectorItemList : public ItemList {
 public:
  std::vector<std::string> items;
  int selected = -1;

  int Count() const override { return static_cast<int>(items.size()); }
  std::string Item(int index) const override { return items.at(index); }
  void Insert(int index, const std::string& text) override {
    items.insert(items.begin() + index, text);
  }
  void Delete(int index) override { items.erase(items.begin() + index); }
  void Select(int index) override { selected = index; }
};

}  // namespace stanzo
