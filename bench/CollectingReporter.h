#pragma once
// A console reporter that also keeps each benchmark's time per iteration (the median when the
// run has repetitions), so a program can print ratios measured in the same run.

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

class CollectingReporter : public benchmark::ConsoleReporter {
  public:
    // Runs the benchmarks the command line selects through this reporter; false when the
    // command line has arguments the library does not know.
    bool RunAll(int& argc, char** argv) {
        benchmark::Initialize(&argc, argv);
        if (benchmark::ReportUnrecognizedArguments(argc, argv)) return false;
        benchmark::RunSpecifiedBenchmarks(this);
        benchmark::Shutdown();
        return true;
    }

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
                Keep(run.run_name.str(), run);
            } else if (run.run_type == Run::RT_Iteration && run.repetitions <= 1) {
                Keep(run.benchmark_name(), run);
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    // Wall-clock and CPU time per iteration; 0 when the benchmark did not run.
    double Real(const std::string& name) const { return Find(m_Real, name); }
    double Cpu(const std::string& name) const { return Find(m_Cpu, name); }

  private:
    void Keep(const std::string& name, const Run& run) {
        m_Real[name] = run.GetAdjustedRealTime();
        m_Cpu[name] = run.GetAdjustedCPUTime();
    }
    static double Find(const std::map<std::string, double>& times, const std::string& name) {
        const auto it = times.find(name);
        return it == times.end() ? 0.0 : it->second;
    }
    std::map<std::string, double> m_Real;
    std::map<std::string, double> m_Cpu;
};
