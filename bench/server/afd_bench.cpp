// Benchmark of the time clock import: writes a punch file of N punches (1
// million by default) into a temporary folder, imports it into a new SQLite
// database and prints punches per second; then measures the screen's punch
// methods (getPonto, GetTotPontoReal) for one operator-day end to end over
// loopback, before the import (a database holding only that day) and after it.
#include <fmt/format.h>
#include <httplib.h>
#include <spdlog/spdlog.h>
#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <unistd.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

#include "appserver/api/app_server.h"
#include "appserver/clockfile/afd_import.h"
#include "appserver/clockfile/afd_writer.h"
#include "appserver/storage/database.h"
#include "appserver/storage/migrations.h"
#include "appserver/stores/password_hasher.h"
#include "appserver/transfer/data_import.h"
#include "loopback.h"

using namespace appserver;
using nlohmann::json;
using platform::dataset::DateTime;
using Clock = std::chrono::steady_clock;

namespace {

struct Options {
    long long punches = 1000000;
    int operators = 1000;
    int calls = 2000;
    std::string layout = "current";
};

std::string operatorCode(int i) {
    return std::to_string(100000 + i);
}
/// The 11 digits of operator i's CPF and PIS (not valid numbers; the import does not check them).
std::string personNumber(int i) {
    return fmt::format("{:011d}", 10000000000LL + i);
}

void addOperators(Database& db, int count) {
    json ops = json::array();
    for (int i = 0; i < count; ++i)
        ops.push_back({{"code", operatorCode(i)},
                       {"name", "Operador " + std::to_string(i)},
                       {"password", "bench"},
                       {"branches", {"0001"}},
                       {"screens", {"Zep00700"}},
                       {"cpf", personNumber(i)},
                       {"pis", personNumber(i)}});
    importData(db, {{"branches", {{{"code", "0001"}, {"name", "Matriz"}}}}, {"operators", ops}},
               PasswordHasher(HashCost::minimum()));
}

/// The measured day: operator 0, four punches, from a clock of its own.
const DateTime kMeasuredDay = DateTime::date(2026, 6, 1);

std::string writeFile(const std::string& path, const afd::Writer& w) {
    std::ofstream out(path, std::ios::binary);
    out << w.text();
    if (!out) throw std::runtime_error("could not write " + path);
    return path;
}

struct Stats {
    double median = 0, p99 = 0;
};

Stats timeCalls(httplib::Client& client, const httplib::Headers& auth, const std::string& method,
                const std::string& day, int n) {
    const std::string body = json{{"server", "Zep00700.rdmApropriacao"},
                                  {"method", method},
                                  {"args", {operatorCode(0), {{"date", day}}}}}
                                 .dump();
    std::vector<double> us;
    for (int i = 0; i < n + n / 10; ++i) {
        const auto t0 = Clock::now();
        auto res = client.Post("/v1/call", auth, body, "application/json");
        if (!res || res->status != 200) throw std::runtime_error(method + " failed");
        if (i >= n / 10)  // the first tenth warms up
            us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
    }
    std::sort(us.begin(), us.end());
    return {us[us.size() / 2], us[std::min(us.size() - 1, us.size() * 99 / 100)]};
}

void measureReads(Database& db, const Options& o, const char* when, const DateTime& day) {
    ServerClock clock;
    ServerSettings settings;
    settings.port = 0;
    settings.threads = 2;
    settings.hashCost = HashCost::minimum();
    AppServer server(db, clock, settings);
    const int port = server.bind();
    std::thread serving = bench::serveInBackground(server);
    httplib::Client client("127.0.0.1", port);
    bench::likeTheDesktop(client);
    auto login = client.Post(
        "/v1/login",
        json{{"user", operatorCode(0)}, {"password", "bench"}, {"branch", "0001"}}.dump(),
        "application/json");
    if (!login || login->status != 200) throw std::runtime_error("login failed");
    const httplib::Headers auth = {
        {"Authorization", "Bearer " + json::parse(login->body)["token"].get<std::string>()}};
    for (const char* method : {"getPonto", "GetTotPontoReal"}) {
        const Stats s = timeCalls(client, auth, method, day.toIsoDate(), o.calls);
        std::printf("%-28s %-16s median %6.1f µs  p99 %6.1f µs  (%d calls, one connection)\n", when,
                    method, s.median, s.p99, o.calls);
    }
    server.stop();
    serving.join();
}

}  // namespace

// What the benchmark does not handle itself ends it with its message (and
// status 1), not through std::terminate.
int main(int argc, char** argv) try {
    Options o;
    CLI::App app{"Benchmark of the time clock import and of the punch reads"};
    app.add_option("--punches", o.punches, "Punches in the file")->capture_default_str();
    app.add_option("--operators", o.operators, "Operators punching")->capture_default_str();
    app.add_option("--calls", o.calls, "Calls of each read method timed")->capture_default_str();
    app.add_option("--layout", o.layout, "current or old")
        ->check(CLI::IsMember({"current", "old"}))
        ->capture_default_str();
    CLI11_PARSE(app, argc, argv);
    spdlog::set_level(spdlog::level::warn);
    const auto layout = o.layout == "old" ? afd::Layout::Old : afd::Layout::Current;

    const std::string dir =
        (std::filesystem::temp_directory_path() / ("afd-bench-" + std::to_string(::getpid())))
            .string();
    std::filesystem::create_directories(dir);
    int status = 0;
    try {
        Database db(DatabaseUrl::parse("sqlite:" + dir + "/bench.db"), DatabaseOptions{});
        migrate(db);
        addOperators(db, o.operators);

        afd::Writer small(layout, "SMALL", "Portaria");
        int nsr = 0;
        for (int hour : {8, 12, 13, 17})
            small.punch(++nsr, kMeasuredDay.addSeconds(hour * 3600), -180, personNumber(0));
        importClockFilePath(db, writeFile(dir + "/small.afd", small), {});
        measureReads(db, o, "before, the day alone", kMeasuredDay);

        // Four punches a day for every operator, in time order (as a clock
        // writes them): operator i punches 3 s after operator i-1.
        auto t0 = Clock::now();
        afd::Writer big(layout, "00004000310000123", "Indústria São João");
        const DateTime first = DateTime::date(2025, 1, 1);
        long long written = 0;
        for (int d = 0; written < o.punches; ++d) {
            for (int hour : {8, 12, 13, 17}) {
                for (int i = 0; i < o.operators && written < o.punches; ++i) {
                    ++written;
                    big.punch(written, first.addDays(d).addSeconds(hour * 3600 + i * 3), -180,
                              personNumber(i));
                }
            }
        }
        const std::string path = writeFile(dir + "/big.afd", big);
        std::printf("wrote %lld punches (%s layout, %.0f MB) in %.1f s\n", written,
                    o.layout.c_str(), static_cast<double>(std::filesystem::file_size(path)) / 1e6,
                    std::chrono::duration<double>(Clock::now() - t0).count());

        t0 = Clock::now();
        std::ifstream in(path, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), {});
        const auto parsed = afd::readClockFile(bytes);
        const double readSeconds = std::chrono::duration<double>(Clock::now() - t0).count();
        std::printf("read and checked alone: %.2f s, %.0f punches/s\n", readSeconds,
                    static_cast<double>(parsed.punches.size()) / readSeconds);

        t0 = Clock::now();
        const auto r = importClockFilePath(db, path, {});
        const double seconds = std::chrono::duration<double>(Clock::now() - t0).count();
        std::printf(
            "imported %zu punches in %.1f s: %.0f punches/s (file read, checked, matched, "
            "numbered and stored in one transaction)\n",
            r.inserted, seconds, static_cast<double>(r.inserted) / seconds);
        t0 = Clock::now();
        const auto again = importClockFilePath(db, path, {});
        std::printf("the same file again: %zu added, %zu already there, %.1f s\n", again.inserted,
                    again.alreadyImported,
                    std::chrono::duration<double>(Clock::now() - t0).count());

        // As the server runs between imports: the write-ahead log copied out.
        if (auto before = db.checkpointStats()) {
            t0 = Clock::now();
            while (db.checkpointStats()->truncations == before->truncations &&
                   db.checkpointStats()->walFrames > 0 &&
                   Clock::now() - t0 < std::chrono::seconds(120))
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        measureReads(db, o, "after, the same day", kMeasuredDay);
        measureReads(db, o, "after, a day of the file", first.addDays(40));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "afd_bench: %s\n", e.what());
        status = 1;
    }
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    return status;
} catch (const std::exception& e) {
    std::fprintf(stderr, "afd_bench: %s\n", e.what());
    return 1;
}
