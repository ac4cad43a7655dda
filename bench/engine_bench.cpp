#include "bench_engine.h"
#include "float_modes.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

constexpr uint32_t block = 512;

void process(benchmark::State &state, bool moving) {
  const float rate = float(state.range(0));
  engine e;
  std::vector<float> in = bench_engine_setup(&e, rate, block), out(block);
  uint32_t modes = float_modes_enter();
  int n = 0;
  for (auto _ : state) {
    if (moving) {
      // Drive and tone never settle: every block moves them again.
      ++n;
      engine_set_parameter(&e, parameter_drive, float(n % 2 ? 30 : 70));
      engine_set_parameter(&e, parameter_tone, float(n % 2 ? 80 : 20));
    }
    engine_process(&e, in.data(), out.data(), block);
    benchmark::DoNotOptimize(out.data());
  }
  float_modes_leave(modes);
  state.SetItemsProcessed(int64_t(state.iterations()) * block);
}

void settled(benchmark::State &state) { process(state, false); }
void moving(benchmark::State &state) { process(state, true); }

}  // namespace

BENCHMARK(settled)->Arg(44100)->Arg(48000)->Arg(96000)->Arg(192000);
BENCHMARK(moving)->Arg(44100)->Arg(48000)->Arg(96000)->Arg(192000);
BENCHMARK_MAIN();
