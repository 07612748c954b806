// Report throughput of the query runner over the fake WMI: MB/s of report text and
// how the time grows with the number of instances (expected: linear).
#include <benchmark/benchmark.h>

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include <limits>

#include "collect/query_runner.h"
#include "fakes/fake_wmi.h"

namespace kestor {
namespace {

const Text kQuery = u"SELECT Name, Manufacturer, NumberOfCores, ProcessorId FROM Win32_Processor";

void configure(fakes::FakeWmi& wmi, std::size_t instances) {
  wmi.instances = {{{u"Name", WmiValue::ofText(u"Intel(R) Xeon(R) CPU E5-2680 v4 @ 2.40GHz")},
                    {u"Manufacturer", WmiValue::ofText(u"GenuineIntel")},
                    {u"NumberOfCores", WmiValue::ofInteger(14)},
                    {u"ProcessorId", WmiValue::null()}}};
  wmi.instanceCount = instances;
}

std::size_t runOnce(fakes::FakeWmi& wmi) {
  ChunkedText report;
  Text status;
  runQuery(wmi, kQuery, report, status);
  benchmark::DoNotOptimize(report.chunks().data());
  return report.size();  // one byte per unit once stored in the ANSI code page
}

void reportThroughput(benchmark::State& state, std::size_t reportBytes) {
  state.SetBytesProcessed(static_cast<std::int64_t>(reportBytes) * state.iterations());
  state.SetComplexityN(state.range(0));
  state.counters["report_MB"] = static_cast<double>(reportBytes) / 1e6;
}

// Every report in fresh memory: the allocator hands freed blocks back to the kernel,
// which clears every page again on first touch, as for a process's first report.
void BM_RunQuery(benchmark::State& state) {
  fakes::FakeWmi wmi;
  configure(wmi, static_cast<std::size_t>(state.range(0)));
  std::size_t reportBytes = 0;
  for (auto _ : state) reportBytes = runOnce(wmi);
  reportThroughput(state, reportBytes);
}

// The runner alone: the allocator keeps what earlier reports gave back, as in a
// process that has built as large a report before, so no page is touched for the
// first time. A run outside the timing fills the allocator first.
void BM_RunQueryReusedMemory(benchmark::State& state) {
#ifdef __GLIBC__
  mallopt(M_TRIM_THRESHOLD, std::numeric_limits<int>::max());
#endif
  fakes::FakeWmi wmi;
  configure(wmi, static_cast<std::size_t>(state.range(0)));
  std::size_t reportBytes = runOnce(wmi);
  for (auto _ : state) reportBytes = runOnce(wmi);
  reportThroughput(state, reportBytes);
#ifdef __GLIBC__
  mallopt(M_TRIM_THRESHOLD, 128 * 1024);  // glibc's default
  malloc_trim(0);
#endif
}

// Several runs at every size, timed in CPU time.
#define KESTOR_SIZES(bench) \
  BENCHMARK(bench)->RangeMultiplier(10)->Range(10'000, 1'000'000)->Unit(benchmark::kMillisecond) \
      ->MinTime(3.0)->Complexity(benchmark::oN)
KESTOR_SIZES(BM_RunQuery);
KESTOR_SIZES(BM_RunQueryReusedMemory);

}  // namespace
}  // namespace kestor

BENCHMARK_MAIN();
