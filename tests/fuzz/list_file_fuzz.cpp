// Arbitrary bytes as a list file: loading must never crash, and what loads
// must save and load again to the same rows.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/list_file.h"
#include "settings/text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace sentrova;
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  TermList list;
  AppendListLines(list, SplitLines(FromCp932(bytes)));
  for (std::size_t i = 0; i < list.Count(); ++i) {
    ResItem item;
    if (!ReadRow(item, list, i)) std::abort();
  }
  return 0;
}
