// Eval() against strtol() on typical configuration values, and qstring
// appends against std::string appends.
#include <benchmark/benchmark.h>

#include <kiln/qeval.h>
#include <kiln/qstring.h>

#include <cstdlib>
#include <string>

#include "ratio_reporter.h"

namespace {

const char *const kDecimal[] = {"1024", "0", "640", "75", "65535", "3", "1920", "100000"};
const char *const kHex[] = {"0x400", "0x0", "0x280", "0x4B", "0xFFFF", "0x3", "0x780", "0x186A0"};
const char *const kExpression[] = {"640*480", "1024+16", "(3+4)*8", "0x10|0x20", "100/3", "-5+2", "1<<0", "$ff&15"};

template <typename Parse>
void Run(benchmark::State &state, const char *const (&values)[8], Parse parse) {
  long sum = 0;
  for (auto _ : state) {
    sum = 0;
    for (const char *value : values) sum += parse(value);
    benchmark::DoNotOptimize(sum);
  }
  kiln::bench::SetResult(state, static_cast<double>(sum));
  state.SetItemsProcessed(state.iterations() * 8);
}

void EvalDecimal(benchmark::State &state) { Run(state, kDecimal, Eval); }
void StrtolDecimal(benchmark::State &state) {
  Run(state, kDecimal, [](const char *v) { return std::strtol(v, nullptr, 10); });
}
void EvalHex(benchmark::State &state) { Run(state, kHex, Eval); }
void StrtolHex(benchmark::State &state) {
  Run(state, kHex, [](const char *v) { return std::strtol(v, nullptr, 16); });
}
void EvalExpression(benchmark::State &state) { Run(state, kExpression, Eval); }

// Builds a text from `pieces` appends of a short word.
void QStringAppend(benchmark::State &state) {
  int length = 0;
  for (auto _ : state) {
    qstring text;
    for (int i = 0; i < state.range(0); ++i) text += "segment/";
    benchmark::DoNotOptimize(text.CStr());
    length = text.Length();
  }
  kiln::bench::SetResult(state, length);
}

void StdStringAppend(benchmark::State &state) {
  std::size_t length = 0;
  for (auto _ : state) {
    std::string text;
    for (int i = 0; i < state.range(0); ++i) text += "segment/";
    benchmark::DoNotOptimize(text.c_str());
    length = text.size();
  }
  kiln::bench::SetResult(state, static_cast<double>(length));
}

BENCHMARK(EvalDecimal);
BENCHMARK(StrtolDecimal);
BENCHMARK(EvalHex);
BENCHMARK(StrtolHex);
BENCHMARK(EvalExpression);
BENCHMARK(QStringAppend)->Arg(8)->Arg(1000);
BENCHMARK(StdStringAppend)->Arg(8)->Arg(1000);

}  // namespace

int main(int argc, char **argv) {
  auto &reporter = kiln::bench::RunAll(argc, argv);
  reporter.PrintRatio("Eval vs strtol, plain decimal", "EvalDecimal", "StrtolDecimal", "(goal: at most 3)");
  reporter.PrintRatio("Eval vs strtol, hexadecimal", "EvalHex", "StrtolHex");
  reporter.PrintRatio("qstring vs std::string, 8 appends", "QStringAppend/8", "StdStringAppend/8");
  reporter.PrintRatio("qstring vs std::string, 1000 appends", "QStringAppend/1000", "StdStringAppend/1000");
  return 0;
}
