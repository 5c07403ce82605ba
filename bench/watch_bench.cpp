// What the main thread does for a check of a long list: loading the list
// file once, and the two synchronized steps per terminal (a status text and
// writing one row back). A check never runs anything else there.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "app/list_file.h"
#include "app/term_list.h"

namespace {

std::vector<std::string> ListLines(int terminals) {
  std::vector<std::string> lines;
  for (int i = 0; i < terminals; ++i) {
    lines.push_back("PC" + std::to_string(i) + "\t10.0." + std::to_string(i / 250) + "." + std::to_string(i % 250) +
                    "\tY\t0\t-1\t-1\t");
    lines.push_back("user" + std::to_string(i));
    lines.push_back("");
    lines.push_back("");
    lines.push_back("WORKGROUP\tMicrosoft Windows Network");
  }
  return lines;
}

void BM_LoadThousandTerminals(benchmark::State& state) {
  const auto lines = ListLines(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    sentrova::TermList list;
    sentrova::AppendListLines(list, lines);
    benchmark::DoNotOptimize(list.Count());
  }
}
BENCHMARK(BM_LoadThousandTerminals)->Arg(1000);

// The row write of one synchronized step, in a list of 1,000 rows.
void BM_ApplyOneEntry(benchmark::State& state) {
  sentrova::TermList list;
  sentrova::AppendListLines(list, ListLines(1000));
  std::size_t i = 0;
  for (auto _ : state) {
    sentrova::ListRow row = list.Row(i);
    row.SubItems[sentrova::kSubState] = "ﾛｸﾞｲﾝ";
    row.ImageIndex = 0;
    list.Set(i, std::move(row));
    i = (i + 1) % list.Count();
  }
}
BENCHMARK(BM_ApplyOneEntry);

}  // namespace
