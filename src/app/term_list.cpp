#include "app/term_list.h"

#include <utility>

namespace sentrova {

const std::array<const char*, kSubItemCount + 1> kColumnTitles = {
    "ﾕｰｻﾞｰ名", "ﾘｿｰｽ名", "状態", "ﾄﾞﾒｲﾝ/ﾜｰｸｸﾞﾙｰﾌﾟ", "ﾛｸﾞｲﾝAction", "ﾛｸﾞｱｳﾄAction",
    "ﾈｯﾄﾜｰｸﾌﾟﾛﾊﾞｲﾀﾞ", "IP", "IP調査", "Result", "MAC"};

std::size_t TermList::Add(ListRow row) {
  rows_.push_back(std::move(row));
  const std::size_t index = rows_.size() - 1;
  if (updateDepth_ > 0) {
    dirty_ = true;
  } else if (observer_) {
    observer_->RowsAppended(index, 1);
  }
  return index;
}

void TermList::Set(std::size_t index, ListRow row) {
  rows_.at(index) = std::move(row);
  if (updateDepth_ > 0) {
    dirty_ = true;
  } else if (observer_) {
    observer_->RowChanged(index);
  }
}

void TermList::Clear() {
  rows_.clear();
  if (updateDepth_ > 0) {
    dirty_ = true;
  } else if (observer_) {
    observer_->RowsReset();
  }
}

void TermList::BeginUpdate() { ++updateDepth_; }

void TermList::EndUpdate() {
  if (updateDepth_ == 0) return;
  if (--updateDepth_ == 0 && dirty_) {
    dirty_ = false;
    if (observer_) observer_->RowsReset();
  }
}

}  // namespace sentrova
