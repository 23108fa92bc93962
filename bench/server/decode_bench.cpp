// The desktop's decoding of two server answers, in a loop: the summary's
// month of a team of 50 (1,550 rows of six fields, as server_bench's 1M
// fill answers it) and a day of five appropriations. Both are written by
// the server's own packet text from rows shaped like the fill's, so that
// their bytes are those of the server's answers (the digest is printed to
// compare with server_bench's). Prints nanoseconds per decode, the median
// of rounds. The decodes run in `timedDecodes`, which callgrind can toggle
// on alone (--toggle-collect=*timedDecodes*).
#include <fmt/format.h>
#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "appserver/remote/packet_text.h"
#include "platform/dataset/packet_json.h"
#include "protocol/apropriacao.h"
#include "protocol/resumo.h"

using platform::dataset::DateTime;
using platform::dataset::Row;
using platform::dataset::Value;
using Clock = std::chrono::steady_clock;

namespace {

/// An answer as the API sends it: the method's packet text in {"result":…}.
std::string answerText(const protocol::Method& method, const std::vector<Row>& rows) {
    const std::string fields = platform::dataset::toJson(platform::dataset::DataPacket{
        protocol::fieldDefs(*method.answer), {}})["fields"]
                                   .dump();
    return "{\"result\":" + appserver::packetText(fields, rows) + "}";
}

/// A team of 50 over May 2026, every day of each operator with its totals.
std::string summaryAnswer() {
    std::vector<Row> rows;
    for (int op = 0; op < 50; ++op)
        for (int day = 1; day <= 31; ++day)
            rows.push_back({std::to_string(100000 + op), fmt::format("Operador {}", op),
                            DateTime::date(2026, 5, day), "04:10:00", "04:54:00", "N"});
    return answerText(protocol::resumo::getResumoPeriodo, rows);
}

/// Five appropriations of one operator's day, from 08:00 on the hour.
std::string dayAnswer() {
    const DateTime day = DateTime::date(2026, 11, 8);
    std::vector<Row> rows;
    for (int i = 0; i < 5; ++i) {
        const int hour = 8 + i;
        const std::string task = fmt::format("{:010}", i == 0 ? 9 : i);
        const DateTime start = day.addSeconds(hour * 3600);
        const DateTime end = start.addSeconds(50 * 60);
        const DateTime typed = start.addSeconds(51 * 60);
        rows.push_back({fmt::format("{:02}:00:00", hour),
                        fmt::format("{:02}:50:00", hour),
                        task,
                        "00002",
                        start,
                        end,
                        "0001",
                        "Codificação",
                        day,
                        "Desenvolvimento do módulo de faturamento conforme o combinado com a área",
                        "100417",
                        "Tarefa de carga",
                        task + "00002100417",
                        fmt::format("1004170001{:019}", 995418 + 1000 * i),
                        "A",
                        typed,
                        typed,
                        "00:50:00",
                        task + " - 00002 - Codificação",
                        "N"});
    }
    return answerText(protocol::apropriacao::getAtividades, rows);
}

/// FNV-1a of the answer's bytes, as server_bench prints it.
std::uint64_t digest(const std::string& bytes) {
    std::uint64_t h = 14695981039346656037ULL;
    for (const char c : bytes) h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
    return h;
}

/// `count` decodes of `answer`, as the desktop decodes an answer; the rows
/// counted keep the work from being thrown away.
__attribute__((noinline)) std::size_t timedDecodes(const std::string& answer, int count) {
    std::size_t rows = 0;
    for (int i = 0; i < count; ++i) {
        const auto packet = platform::dataset::decodeDataPacketMember(answer, "result");
        if (!packet) throw std::runtime_error("the answer holds no packet");
        rows += packet->rows.size();
    }
    return rows;
}

/// Median nanoseconds per decode over `rounds` rounds of `perRound` decodes.
double nsPerDecode(const std::string& answer, int rounds, int perRound) {
    timedDecodes(answer, perRound);  // buffers grown, pages touched
    std::vector<double> ns;
    for (int r = 0; r < rounds; ++r) {
        const auto t0 = Clock::now();
        timedDecodes(answer, perRound);
        ns.push_back(std::chrono::duration<double, std::nano>(Clock::now() - t0).count() /
                     perRound);
    }
    std::sort(ns.begin(), ns.end());
    return ns[ns.size() / 2];
}

}  // namespace

int main(int argc, char** argv) try {
    int rounds = 15;
    int summaryDecodes = 200;
    int dayDecodes = 20000;
    CLI::App app{"The desktop's decoding of the summary's and a day's answer"};
    app.add_option("--rounds", rounds, "Rounds of each measurement (the median counts)")
        ->check(CLI::PositiveNumber)
        ->capture_default_str();
    app.add_option("--summary", summaryDecodes,
                   "Decodes of the summary's answer in a round (0: none)")
        ->check(CLI::NonNegativeNumber)
        ->capture_default_str();
    app.add_option("--day", dayDecodes, "Decodes of the day's answer in a round (0: none)")
        ->check(CLI::NonNegativeNumber)
        ->capture_default_str();
    CLI11_PARSE(app, argc, argv);

    const std::string summary = summaryAnswer();
    const std::string day = dayAnswer();
    std::printf("summary answer: %zu bytes, digest %016llx\n", summary.size(),
                static_cast<unsigned long long>(digest(summary)));
    std::printf("day answer:     %zu bytes, digest %016llx\n", day.size(),
                static_cast<unsigned long long>(digest(day)));
    if (summaryDecodes > 0)
        std::printf("summary decode: %10.0f ns (median of %d rounds of %d)\n",
                    nsPerDecode(summary, rounds, summaryDecodes), rounds, summaryDecodes);
    if (dayDecodes > 0)
        std::printf("day decode:     %10.0f ns (median of %d rounds of %d)\n",
                    nsPerDecode(day, rounds, dayDecodes), rounds, dayDecodes);
    return 0;
} catch (const std::exception& e) {
    std::fprintf(stderr, "decode_bench: %s\n", e.what());
    return 1;
}
