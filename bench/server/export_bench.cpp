// Benchmark of `appserver export`: fills SQLite databases of N appropriations
// (default 10,000 and 1,000,000), runs the real command on each, as a child
// process, to CSV and to XLSX, and prints rows per second and the child's
// peak resident memory. The same peak for 10k and 1M rows is what shows
// that the export streams. Prints figures; asserts nothing.
#include <fmt/format.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <CLI/CLI.hpp>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "appropriation_fill.h"
#include "appserver/storage/database.h"
#include "appserver/storage/migrations.h"

extern char** environ;

namespace {

using platform::dataset::DateTime;
using Clock = std::chrono::steady_clock;

struct ChildRun {
    double seconds = 0;
    long peakKb = 0;
    double cpuSeconds = 0;
};

/// Runs `args` and waits for it; its wall time, processor time and peak RSS.
ChildRun runChild(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    argv.reserve(args.size() + 1);
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const auto began = Clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        throw std::runtime_error("não foi possível iniciar " + args[0]);
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid) throw std::runtime_error("wait4 falhou");
    ChildRun r;
    r.seconds = std::chrono::duration<double>(Clock::now() - began).count();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error(fmt::format("{} terminou com erro", args[0]));
    r.peakKb = usage.ru_maxrss;
    r.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                   static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    return r;
}

}  // namespace

// What the benchmark does not handle itself ends it with its message (and
// status 1), not through std::terminate.
int main(int argc, char** argv) try {
    CLI::App app{"Mede appserver export sobre bancos SQLite de N apropriações"};
    std::vector<long long> sizes = {10000, 1000000};
    std::string dir = std::filesystem::temp_directory_path().string();
    bool keep = false;
    app.add_option("--rows", sizes, "Números de apropriações a medir")->capture_default_str();
    app.add_option("--dir", dir, "Pasta dos bancos e das saídas")->capture_default_str();
    app.add_flag("--keep", keep, "Não apaga os bancos e as saídas ao terminar");
    CLI11_PARSE(app, argc, argv);

    const DateTime firstDay = DateTime::date(2026, 1, 1);
    std::printf("%10s %6s %9s %12s %10s %12s %12s\n", "rows", "format", "seconds", "rows/s",
                "cpu s", "peak RSS", "output");
    for (const long long rows : sizes) {
        const std::string db = fmt::format("{}/export-bench-{}.sqlite", dir, rows);
        for (const char* suffix : {"", "-wal", "-shm"}) std::filesystem::remove(db + suffix);
        {
            appserver::DatabaseOptions options;
            options.poolSize = 1;
            options.sync = appserver::SyncMode::Normal;
            appserver::Database database(appserver::DatabaseUrl::parse("sqlite:" + db), options);
            appserver::migrate(database);
            const auto began = Clock::now();
            bench::fillAppropriations(database, {rows, 6, firstDay, "senha"});
            std::fprintf(stderr, "fill of %lld rows: %.1f s\n", rows,
                         std::chrono::duration<double>(Clock::now() - began).count());
        }
        const DateTime lastDay = firstDay.addDays(bench::fillDayCount(rows) - 1);
        for (const char* format : {"csv", "xlsx"}) {
            const std::string out = fmt::format("{}/export-bench-{}.{}", dir, rows, format);
            const ChildRun r = runChild({APPSERVER_BINARY, "export", "--db", "sqlite:" + db,
                                         "--from", firstDay.toIsoDate(), "--to",
                                         lastDay.toIsoDate(), "--format", format, "--output", out});
            const auto bytes = std::filesystem::file_size(out);
            std::printf("%10lld %6s %9.2f %12.0f %10.2f %9.1f MB %9.1f MB\n", rows, format,
                        r.seconds, static_cast<double>(rows) / r.seconds, r.cpuSeconds,
                        static_cast<double>(r.peakKb) / 1024.0,
                        static_cast<double>(bytes) / (1024.0 * 1024.0));
            std::fflush(stdout);
            if (!keep) std::filesystem::remove(out);
        }
        if (!keep)
            for (const char* suffix : {"", "-wal", "-shm"}) std::filesystem::remove(db + suffix);
    }
    return 0;
} catch (const std::exception& e) {
    std::fprintf(stderr, "export_bench: %s\n", e.what());
    return 1;
}
