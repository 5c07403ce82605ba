#include <benchmark/benchmark.h>

#include <string>

#include "app/list_file.h"
#include "settings/text.h"

namespace {

std::string ListOf(int terminals) {
  std::string text;
  for (int i = 0; i < terminals; ++i) {
    text += "PC" + std::to_string(i) + "\t192.168.  1.  2\tY\t0\t-1\t-1\t00-11-22-33-44-55\r\n"
            "\x8e\x52\x93\x63\r\nC:\\in.wav\r\nnotepad %R\r\nWORKGROUP\tMicrosoft Windows Network\r\n";
  }
  return text;
}

void BM_DecodeCp932(benchmark::State& state) {
  const std::string bytes = ListOf(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(sentrova::FromCp932(bytes));
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
}
BENCHMARK(BM_DecodeCp932)->Arg(100)->Arg(5000);

void BM_ParseList(benchmark::State& state) {
  const auto lines = sentrova::SplitLines(sentrova::FromCp932(ListOf(static_cast<int>(state.range(0)))));
  for (auto _ : state) {
    sentrova::TermList list;
    sentrova::AppendListLines(list, lines);
    benchmark::DoNotOptimize(list.Count());
  }
}
BENCHMARK(BM_ParseList)->Arg(100)->Arg(5000);

}  // namespace
