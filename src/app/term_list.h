// The row store behind both terminal lists (the main window's and the list
// editor's). A row holds what a list-view item holds: a caption, ten
// sub-items, an image index, a 32-bit data word and an icon position. Views
// observe the store and draw what it holds.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace sentrova {

inline constexpr int kSubItemCount = 10;

// Sub-item indexes.
enum SubItem : int {
  kSubResource = 0,
  kSubState = 1,
  kSubDomain = 2,
  kSubLoginAction = 3,
  kSubLogoutAction = 4,
  kSubProvider = 5,
  kSubIP = 6,
  kSubByIP = 7,
  kSubPingResult = 8,
  kSubMac = 9,
};

// Column titles, in their initial order: the caption, then sub-items 0 to 9.
extern const std::array<const char*, kSubItemCount + 1> kColumnTitles;

struct ListRow {
  std::string Caption;
  std::array<std::string, kSubItemCount> SubItems;
  std::int32_t ImageIndex = 0;
  std::uint32_t Data = 0;
  // Icon position; -1 until the list (or the user) places the icon.
  std::int32_t Top = -1;
  std::int32_t Left = -1;

  bool operator==(const ListRow&) const = default;
};

class TermListObserver {
 public:
  virtual ~TermListObserver() = default;
  // Everything may have changed (after an update block, a clear or a reload).
  virtual void RowsReset() = 0;
  // Rows [first, first + count) are about to be appended / were appended.
  virtual void RowsAboutToBeAppended(std::size_t first, std::size_t count) = 0;
  virtual void RowsAppended(std::size_t first, std::size_t count) = 0;
  virtual void RowChanged(std::size_t index) = 0;
};

class TermList {
 public:
  std::size_t Count() const { return rows_.size(); }
  const ListRow& Row(std::size_t index) const { return rows_.at(index); }
  const std::vector<ListRow>& Rows() const { return rows_; }

  // Adds a row at the end and returns its index.
  std::size_t Add(ListRow row);
  // Replaces a row.
  void Set(std::size_t index, ListRow row);
  void Clear();

  // Between BeginUpdate and EndUpdate changes are not reported one by one;
  // EndUpdate reports one reset so that a long list is drawn once.
  void BeginUpdate();
  void EndUpdate();

  void SetObserver(TermListObserver* observer) { observer_ = observer; }

 private:
  std::vector<ListRow> rows_;
  int updateDepth_ = 0;
  bool dirty_ = false;
  TermListObserver* observer_ = nullptr;
};

}  // namespace sentrova
