// Decoding a day-sized packet of appropriations from its JSON text and loading
// it into a data set, against nlohmann-json alone parsing the same text.
//
// Prints the time of each, rows per second, and the ratio of decode+load to
// the bare parse (the goal is 2x or less).
#include <benchmark/benchmark.h>
#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <map>
#include <set>
#include <string>

#include "platform/dataset/data_set.h"
#include "platform/dataset/packet_json.h"

using namespace platform::dataset;

namespace {

constexpr int kRows = 10000;

// The fields of cdsAtividades, as the screen declares them.
std::vector<FieldDef> atividadesFields() {
    auto text = [](const char* name, int size, UpdateFlags flags = {}) {
        return FieldDef{.name = name, .type = FieldType::String, .size = size, .flags = flags};
    };
    auto stamp = [](const char* name, UpdateFlags flags = {}) {
        return FieldDef{.name = name, .type = FieldType::DateTime, .flags = flags};
    };
    const UpdateFlags where{.where = true};
    return {text("HORAINI", 8, where),     text("HORAFIN", 8, where),
            text("NRTAREFA", 10),          text("NRPLATIVTARE", 5),
            stamp("DTIAPATIVTAR"),         stamp("DTFAPATIVTAR"),
            text("CDFILIAL", 4),           text("NMPROCESSO", 100),
            stamp("DATA", where),          text("TXAPRATIVTAR", 4000),
            text("CDOPERADOR", 12),        text("DSREFETAREFA", 100),
            text("CHAVE", 27, where),      text("CHAVE2", 35, where),
            text("IDSITATIVTAR", 1),       stamp("DTHIAPATIVTA"),
            stamp("DTHFAPATIVTA"),         text("QTHRAPRO", 8, {.where = true, .hidden = true}),
            text("ATIVIDADE", 121, where), text("IDCHECK", 1, where)};
}

const std::string& packetText() {
    static const std::string text = [] {
        DataPacket p;
        p.fields = atividadesFields();
        p.rows.reserve(kRows);
        for (int i = 0; i < kRows; ++i) {
            const int h = i % 23, m = i % 60;
            const DateTime day = DateTime::date(2026, 1, 1).addDays(i % 365);
            DateTime start = day, end = day;
            start.hour = h;
            start.minute = m;
            end.hour = h + 1;
            end.minute = m;
            const std::string ini = fmt::format("{:02}:{:02}:00", h, m);
            const std::string fin = fmt::format("{:02}:{:02}:00", h + 1, m);
            const std::string task = fmt::format("T{}", 100000 + i);
            p.rows.push_back(
                {Value(ini),
                 Value(fin),
                 Value(task),
                 Value(std::to_string(i % 99999)),
                 Value(start),
                 Value(end),
                 Value("0001"),
                 Value("Desenvolvimento de software - módulo de apropriação"),
                 Value(day),
                 Value("Revisão das telas e ajustes de validação das horas apropriadas"),
                 Value("OPER" + std::to_string(i % 50)),
                 Value("Descrição da tarefa número " + task),
                 Value("CH" + std::to_string(i)),
                 Value("CHAVE2-" + std::to_string(i) + "-" + ini),
                 Value(i % 3 == 0 ? "A" : "P"),
                 Value(start),
                 i % 7 == 0 ? Value() : Value(end),
                 Value("01:00:00"),
                 Value(task + " - Programação"),
                 Value("N")});
        }
        return encodeDataPacket(p);
    }();
    return text;
}

void BM_NlohmannParse(benchmark::State& state) {
    const std::string& text = packetText();
    for (auto _ : state) {
        nlohmann::json j = nlohmann::json::parse(text);
        benchmark::DoNotOptimize(j);
    }
    state.counters["rows/s"] = benchmark::Counter(static_cast<double>(kRows),
                                                  benchmark::Counter::kIsIterationInvariantRate);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(text.size()));
}

void BM_DecodeAndLoad(benchmark::State& state) {
    const std::string& text = packetText();
    DataSet ds("cdsAtividades");
    for (const FieldDef& def : atividadesFields()) ds.addField(def);
    for (auto _ : state) {
        ds.load(decodeDataPacket(text));
        if (ds.recordCount() != kRows) state.SkipWithError("wrong row count");
    }
    state.counters["rows/s"] = benchmark::Counter(static_cast<double>(kRows),
                                                  benchmark::Counter::kIsIterationInvariantRate);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(text.size()));
}

BENCHMARK(BM_NlohmannParse)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeAndLoad)->Unit(benchmark::kMillisecond);

// Console output plus the ratio of the two, once both ran.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        // With repetitions the median stands for the function; otherwise its one run.
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (median ||
                (run.run_type == Run::RT_Iteration && !medians_.count(run.run_name.function_name)))
                seconds_[run.run_name.function_name] = run.GetAdjustedRealTime();
            if (median) medians_.insert(run.run_name.function_name);
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        auto parse = seconds_.find("BM_NlohmannParse");
        auto load = seconds_.find("BM_DecodeAndLoad");
        if (parse == seconds_.end() || load == seconds_.end() || parse->second <= 0) return;
        std::printf(
            "\n%d rows, %zu bytes of JSON: decode+load takes %.2fx the bare parse (goal: 2x or "
            "less)\n",
            kRows, packetText().size(), load->second / parse->second);
    }

private:
    std::map<std::string, double> seconds_;
    std::set<std::string> medians_;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
