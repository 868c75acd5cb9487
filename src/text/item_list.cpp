#include "text/item_list.h"

namespace stanzo {

void RecordNewest(ItemList& list, const std::string& text, int cap) {
  const std::string first = list.Count() > 0 ? list.Item(0) : std::string();
  if (first == text) return;
  if (list.Count() > cap) list.Delete(cap);
  list.Insert(0, text);
  list.Select(0);
}

void TrimTo(ItemList& list, int maxCount) {
  while (list.Count() > maxCount) list.Delete(list.Count() - 1);
}

}  // namespace stanzo
