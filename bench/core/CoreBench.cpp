// Time per call of the entry parser, the engineering formatter, the mode
// calculations and the shortest spelling of a double (beside std::to_chars),
// and the batch converter's throughput in rows per second.
// Figures only: nothing here is compared against a target.
#include "cli/Cli.h"
#include "core/CalcState.h"
#include "core/ParseNumber.h"
#include "core/RunCalc.h"
#include "core/Trigonometry.h"
#include "present/NumberText.h"
#include "present/ShortestText.h"

#include <benchmark/benchmark.h>

#include <charconv>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

// Typical entry texts, one benchmark each.
void BM_ParseNumber(benchmark::State &state, std::string_view text) {
  for (auto _ : state) {
    std::string_view t = text;
    benchmark::DoNotOptimize(t);
    benchmark::DoNotOptimize(ParseNumber(t));
  }
}

BENCHMARK_CAPTURE(BM_ParseNumber, plain_1000, std::string_view("1000"));
BENCHMARK_CAPTURE(BM_ParseNumber, point_01, std::string_view(".01"));
BENCHMARK_CAPTURE(BM_ParseNumber, exponent_4_7E_3, std::string_view("4.7E-3"));
BENCHMARK_CAPTURE(BM_ParseNumber, radix_H1F, std::string_view("&H1F"));
BENCHMARK_CAPTURE(BM_ParseNumber, digits_30, std::string_view("123456789012345678901234567890"));

// One value per prefix band family.
void BM_EngineeringFormatter(benchmark::State &state, double value, int places, const char *unit) {
  for (auto _ : state) {
    double v = value;
    benchmark::DoNotOptimize(v);
    std::string text = EngineeringFormatter(v, places, unit);
    benchmark::DoNotOptimize(text.data());
  }
}

BENCHMARK_CAPTURE(BM_EngineeringFormatter, none_470, 470.0, 4, "Ohms");
BENCHMARK_CAPTURE(BM_EngineeringFormatter, kilo_1234_5678, 1234.5678, 4, "Ohms");
BENCHMARK_CAPTURE(BM_EngineeringFormatter, milli_0_0123456, 0.0123456, 2, "mhos");
BENCHMARK_CAPTURE(BM_EngineeringFormatter, nano_159_1549, 1.5915494309189535e-7, 4, "F");
BENCHMARK_CAPTURE(BM_EngineeringFormatter, pico_2_2, 2.2e-12, 4, "F");
BENCHMARK_CAPTURE(BM_EngineeringFormatter, tera_exponent_1e30, 1e30, 4, "Ohms");
BENCHMARK_CAPTURE(BM_EngineeringFormatter, zero, 0.0, 4, "Ohms");

// Every mode, with entries as typed.
void BM_RunCalc(benchmark::State &state, int modeId, std::vector<std::string_view> rows) {
  for (auto _ : state) {
    CalcState s{};
    RunCalc(s, modeId, rows);
    benchmark::DoNotOptimize(s);
  }
}

using Rows = std::vector<std::string_view>;
BENCHMARK_CAPTURE(BM_RunCalc, 01_R_X, 1, Rows{"1000", "1000", "50", "10"});
BENCHMARK_CAPTURE(BM_RunCalc, 02_G_B, 2, Rows{"1000", "1000", "20", "300"});
BENCHMARK_CAPTURE(BM_RunCalc, 03_Cs_D, 3, Rows{"1000", "1", ".01"});
BENCHMARK_CAPTURE(BM_RunCalc, 04_Cp_D, 4, Rows{"1000", "1", ".01"});
BENCHMARK_CAPTURE(BM_RunCalc, 05_Cs_R, 5, Rows{"1000", "2.2", "15"});
BENCHMARK_CAPTURE(BM_RunCalc, 06_Cs_par_Cs, 6, Rows{"1000", "2.2", ".001", "4.7", ".02"});
BENCHMARK_CAPTURE(BM_RunCalc, 07_Ls_Q, 7, Rows{"1000", "10", "50"});
BENCHMARK_CAPTURE(BM_RunCalc, 08_Lp_Q, 8, Rows{"1000", "10", "50"});
BENCHMARK_CAPTURE(BM_RunCalc, 09_V_Z, 9, Rows{"1000", "100", "30"});
BENCHMARK_CAPTURE(BM_RunCalc, 10_Cs_Cs, 10, Rows{"1000", "2.2", ".001", "4.7", ".02"});
BENCHMARK_CAPTURE(BM_RunCalc, 11_Ls_par_Ls, 11, Rows{"1000", "1", "50", "2", "40"});
BENCHMARK_CAPTURE(BM_RunCalc, 12_Ls_Ls, 12, Rows{"1000", "1", "50", "2", "40"});
BENCHMARK_CAPTURE(BM_RunCalc, 13_IVP, 13, Rows{"1000", "1", "0.01", "-30"});
BENCHMARK_CAPTURE(BM_RunCalc, 14_Lp_R, 14, Rows{"1000", "10", "5000"});
BENCHMARK_CAPTURE(BM_RunCalc, 15_Ls_R, 15, Rows{"1000", "10", "5"});
BENCHMARK_CAPTURE(BM_RunCalc, 16_Cp_Rp, 16, Rows{"1000", "2.2", "15000"});

// The program's own trigonometry: a typical phase, one that needs a full
// reduction, and the arctangent's three ranges (the table below 1, the
// reflection above 1, the tiny-argument series).
void BM_Sine(benchmark::State &state, Extended x) {
  for (auto _ : state) {
    benchmark::DoNotOptimize(x);
    benchmark::DoNotOptimize(Sine(x));
  }
}

BENCHMARK_CAPTURE(BM_Sine, phase_30_degrees, ExtendedFromBits(0x3FFE, 0x860A91C16B9B2C23));
BENCHMARK_CAPTURE(BM_Sine, reduced_1000, Extended(1000));
BENCHMARK_CAPTURE(BM_Sine, reduced_1e300, ExtendedFromBits(0x43E3, 0xBF21E44003ACDD2D));

void BM_Cosine(benchmark::State &state, Extended x) {
  for (auto _ : state) {
    benchmark::DoNotOptimize(x);
    benchmark::DoNotOptimize(Cosine(x));
  }
}

BENCHMARK_CAPTURE(BM_Cosine, phase_30_degrees, ExtendedFromBits(0x3FFE, 0x860A91C16B9B2C23));
BENCHMARK_CAPTURE(BM_Cosine, reduced_1000, Extended(1000));

void BM_SineCosine(benchmark::State &state, Extended x) {
  for (auto _ : state) {
    Extended sine, cosine;
    benchmark::DoNotOptimize(x);
    SineCosine(x, sine, cosine);
    benchmark::DoNotOptimize(sine);
    benchmark::DoNotOptimize(cosine);
  }
}

BENCHMARK_CAPTURE(BM_SineCosine, phase_30_degrees, ExtendedFromBits(0x3FFE, 0x860A91C16B9B2C23));
BENCHMARK_CAPTURE(BM_SineCosine, reduced_1000, Extended(1000));

void BM_Arctangent(benchmark::State &state, Extended x) {
  for (auto _ : state) {
    benchmark::DoNotOptimize(x);
    benchmark::DoNotOptimize(Arctangent(x));
  }
}

BENCHMARK_CAPTURE(BM_Arctangent, q_0_37, ExtendedFromBits(0x3FFD, 0xBD70A3D70A3D70A4));
BENCHMARK_CAPTURE(BM_Arctangent, q_minus_100, Extended(-100));
BENCHMARK_CAPTURE(BM_Arctangent, q_0_001, ExtendedFromBits(0x3FF5, 0x83126E978D4FDF3B));

// The shortest spelling of typical batch results, and std::to_chars on the
// same values for comparison.
void BM_ShortestText(benchmark::State &state, double value) {
  char text[ShortestTextMax];
  for (auto _ : state) {
    benchmark::DoNotOptimize(value);
    benchmark::DoNotOptimize(WriteShortestText(text, value));
    benchmark::ClobberMemory();
  }
}

BENCHMARK_CAPTURE(BM_ShortestText, digits17_159_15494309189535, 159.15494309189535);
BENCHMARK_CAPTURE(BM_ShortestText, digits17_neg_1591_5494309189535, -1591.5494309189535);
BENCHMARK_CAPTURE(BM_ShortestText, digits10_6_282557051e_05, 6.282557051e-05);
BENCHMARK_CAPTURE(BM_ShortestText, integer_1000, 1000.0);
BENCHMARK_CAPTURE(BM_ShortestText, small_1e_9, 1e-9);

void BM_to_chars(benchmark::State &state, double value) {
  char text[64];
  for (auto _ : state) {
    benchmark::DoNotOptimize(value);
    benchmark::DoNotOptimize(std::to_chars(text, text + sizeof text, value).ptr);
    benchmark::ClobberMemory();
  }
}

BENCHMARK_CAPTURE(BM_to_chars, digits17_159_15494309189535, 159.15494309189535);
BENCHMARK_CAPTURE(BM_to_chars, digits17_neg_1591_5494309189535, -1591.5494309189535);
BENCHMARK_CAPTURE(BM_to_chars, digits10_6_282557051e_05, 6.282557051e-05);
BENCHMARK_CAPTURE(BM_to_chars, integer_1000, 1000.0);
BENCHMARK_CAPTURE(BM_to_chars, small_1e_9, 1e-9);

// The batch converter on an in-memory log of Cs-D rows; output is counted
// and dropped.
struct BenchStreams {
  const std::string *input = nullptr;
  std::size_t position = 0;
  std::size_t written = 0;
};

std::ptrdiff_t ReadBench(void *context, char *buffer, std::size_t capacity) {
  auto &b = *static_cast<BenchStreams *>(context);
  std::size_t n = std::min(capacity, b.input->size() - b.position);
  std::memcpy(buffer, b.input->data() + b.position, n);
  b.position += n;
  return static_cast<std::ptrdiff_t>(n);
}

bool WriteBench(void *context, const char *, std::size_t length) {
  static_cast<BenchStreams *>(context)->written += length;
  return true;
}

void WriteBenchError(void *, const char *, std::size_t) {}

void BM_BatchCsD(benchmark::State &state) {
  const int rows = static_cast<int>(state.range(0));
  std::string input;
  const char *caps[] = {"1", "2.2", "4.7", ".1", "100", "0.033", "15", "6.8E-3"};
  const char *losses[] = {".01", ".002", "0.05", ".1", "1E-4"};
  for (int i = 0; i < rows; ++i)
    input += std::to_string(100 + 10 * (i % 1000)) + "," + caps[i % 8] + "," + losses[i % 5] + "\n";
  const char *argv[] = {"calvora-cli", "batch", "Cs-D", nullptr};
  std::size_t written = 0;
  for (auto _ : state) {
    BenchStreams b;
    b.input = &input;
    CliStreams streams;
    streams.context = &b;
    streams.ReadInput = ReadBench;
    streams.WriteOutput = WriteBench;
    streams.WriteError = WriteBenchError;
    if (RunCli(3, argv, streams) != CliOk)
      state.SkipWithError("batch reported bad lines");
    written = b.written;
  }
  state.SetItemsProcessed(state.iterations() * rows);
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(input.size()));
  state.counters["rows_per_second"] =
      benchmark::Counter(static_cast<double>(rows), benchmark::Counter::kIsIterationInvariantRate);
  state.counters["output_bytes_per_row"] = static_cast<double>(written) / rows;
}

BENCHMARK(BM_BatchCsD)->Arg(200000)->Unit(benchmark::kMillisecond);

// The meter-pair converter through batch on a Cp-D log written as on the
// bench ("2k,4.7n,0.0005"), without and with the meter's accuracy.
void BM_BatchPair(benchmark::State &state, bool withAccuracy) {
  const int rows = static_cast<int>(state.range(0));
  std::string input;
  const char *caps[] = {"1n", "2.2nF", "4n7", "100p", "10u", "0.033u", "15n", "6.8e-9"};
  const char *losses[] = {"0.0002", ".002", "0.05", "1e-4", "500u"};
  for (int i = 0; i < rows; ++i)
    input += std::to_string(1 + i % 100) + "k," + caps[i % 8] + "," + losses[i % 5] + "\n";
  std::vector<const char *> argv = {"calvora-cli", "batch", "--pair", "Cp-D"};
  if (withAccuracy)
    argv.insert(argv.end(), {"--accuracy", "0.05%", "0.0005"});
  for (auto _ : state) {
    BenchStreams b;
    b.input = &input;
    CliStreams streams;
    streams.context = &b;
    streams.ReadInput = ReadBench;
    streams.WriteOutput = WriteBench;
    streams.WriteError = WriteBenchError;
    if (RunCli(static_cast<int>(argv.size()), argv.data(), streams) != CliOk)
      state.SkipWithError("batch reported bad lines");
  }
  state.SetItemsProcessed(state.iterations() * rows);
  state.counters["rows_per_second"] =
      benchmark::Counter(static_cast<double>(rows), benchmark::Counter::kIsIterationInvariantRate);
}

BENCHMARK_CAPTURE(BM_BatchPair, Cp_D, false)->Arg(200000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_BatchPair, Cp_D_accuracy, true)->Arg(200000)->Unit(benchmark::kMillisecond);

} // namespace
