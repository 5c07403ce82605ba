#include "app/term_list.h"

#include <utility>

namespace sentrova {

const std::array<const char*, kSubItemCount + 1> kColumnTitles = {
    "ﾕｰｻﾞｰ名", "ﾘｿｰｽ名", "状態", "ﾄﾞﾒｲﾝ/ﾜｰｸｸﾞﾙｰﾌﾟ", "ﾛｸﾞｲﾝAction", "ﾛｸﾞｱｳﾄAction",
    "ﾈｯﾄﾜｰｸﾌﾟﾛﾊﾞｲﾀﾞ", "IP", "IP調査", "Result", "MAC"};

std::size_t TermList::Add(ListRow row) {
  const std::size_t index = rows_.size();
  const bool report = updateDepth_ == 0 && observer_;
  if (report) observer_->RowsAboutToBeAppended(index, 1);
  rows_.push_back(std::move(row));
  if (report) {
    observer_->RowsAppended(index, 1);
  } else if (updateDepth_ > 0) {
    dirty_ = true;
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
  if (rows_.empty()) return;
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
