// Report throughput of the query runner over the fake WMI: MB/s of report text and
// how the time grows with the number of instances (expected: linear).
#include <benchmark/benchmark.h>

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

void BM_RunQuery(benchmark::State& state) {
  fakes::FakeWmi wmi;
  configure(wmi, static_cast<std::size_t>(state.range(0)));
  std::size_t reportBytes = 0;
  for (auto _ : state) {
    ChunkedText report;
    Text status;
    runQuery(wmi, kQuery, report, status);
    reportBytes = report.size();  // one byte per unit once stored in the ANSI code page
    benchmark::DoNotOptimize(report.chunks().data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(reportBytes) * state.iterations());
  state.SetComplexityN(state.range(0));
  state.counters["report_MB"] = static_cast<double>(reportBytes) / 1e6;
}
BENCHMARK(BM_RunQuery)
    ->RangeMultiplier(10)
    ->Range(10'000, 1'000'000)
    ->Unit(benchmark::kMillisecond)
    // Several runs at every size: the first run of a process also pays the kernel for
    // fresh pages, which says nothing about the runner.
    ->MinTime(3.0)
    ->Complexity(benchmark::oN);

}  // namespace
}  // namespace kestor

BENCHMARK_MAIN();
