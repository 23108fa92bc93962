#include "export_command.h"

#include <fmt/format.h>
#include <spdlog/spdlog.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <stdexcept>

#include "appserver/storage/database.h"
#include "appserver/transfer/csv_writer.h"
#include "appserver/transfer/period_export.h"
#include "appserver/transfer/xlsx_writer.h"
#include "command_database.h"
#include "day_option.h"

namespace appserver {

namespace {

bool endsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

/// The output file, written under a temporary name and put in place only
/// when complete: a failed export leaves no file that looks whole.
class OutputFile {
public:
    explicit OutputFile(const std::string& path) : path_(path), partial_(path + ".partial") {}
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile() {
        if (committed_) return;
        std::error_code ec;
        std::filesystem::remove(partial_, ec);
    }
    const std::string& partialPath() const { return partial_; }
    void commit() {
        std::filesystem::rename(partial_, path_);
        committed_ = true;
    }

private:
    std::string path_, partial_;
    bool committed_ = false;
};

}  // namespace

ExportCommand::ExportCommand(CLI::App& app)
    : Command(app.add_subcommand(
          "export", "Exporta as apropriações de um período com os totais do dia contra o ponto")) {
    command_->add_option("--db", db_, "sqlite:CAMINHO ou postgresql://…")->required();
    command_->add_option("--from", from_, "Primeiro dia do período (AAAA-MM-DD)")->required();
    command_->add_option("--to", to_, "Último dia do período, incluído (AAAA-MM-DD)")->required();
    command_->add_option("--branch", branch_, "Só as apropriações desta filial");
    command_->add_option("--operator", operator_, "Só as apropriações deste operador");
    command_->add_option("--team", team_, "Só as apropriações dos operadores desta equipe");
    command_
        ->add_option("--format", format_,
                     "csv ou xlsx (sem ele: xlsx quando --output termina em .xlsx, senão csv)")
        ->check(CLI::IsMember({"csv", "xlsx"}));
    command_->add_option("--output", output_,
                         "Arquivo de saída (sem ele, CSV na saída padrão; xlsx exige um arquivo)");
}

int ExportCommand::run() {
    ExportFilter filter;
    filter.from = parseDayOption(from_, "--from");
    filter.to = parseDayOption(to_, "--to");
    if (filter.to < filter.from)
        throw CLI::ValidationError(
            "--to", fmt::format("o último dia ({}) vem antes do primeiro ({})", to_, from_));
    filter.branch = branch_;
    filter.operatorCode = operator_;
    filter.team = team_;
    const std::string format =
        !format_.empty() ? format_ : (endsWith(output_, ".xlsx") ? "xlsx" : "csv");
    if (format == "xlsx" && output_.empty())
        throw CLI::ValidationError("--output",
                                   "o formato xlsx é um arquivo compactado: informe --output");

    CommandDatabaseOptions options;
    // A mistyped path would otherwise be a new, empty database, exported as if all were well.
    options.mustExist = true;
    const auto db = openCommandDatabase(db_, options);
    if (db->kind() == DatabaseKind::Sqlite) {
        // The export reads the period once, in order. Through the pool's
        // memory map every page it touched would stay resident in this
        // process, which would then grow with the database; read into
        // SQLite's bounded page cache, memory stays the same for any period.
        auto lease = db->acquire();
        lease.sql() << "PRAGMA mmap_size = 0";
    }

    const auto began = std::chrono::steady_clock::now();
    ExportCounts counts;
    if (output_.empty()) {
        CsvWriter csv(std::cout);
        counts = exportPeriod(*db, filter, csv);
    } else {
        OutputFile file(output_);
        if (format == "xlsx") {
            XlsxWriter xlsx(file.partialPath());
            counts = exportPeriod(*db, filter, xlsx);
        } else {
            std::ofstream out(file.partialPath(), std::ios::binary | std::ios::trunc);
            if (!out)
                throw std::runtime_error(
                    fmt::format("Não foi possível criar {}", file.partialPath()));
            CsvWriter csv(out);
            counts = exportPeriod(*db, filter, csv);
            out.close();
            if (!out) throw std::runtime_error(fmt::format("Falha ao gravar {}", output_));
        }
        file.commit();
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    spdlog::info("Exportadas {} apropriações e {} totais de dia em {:.1f} s{}",
                 counts.appropriations, counts.days, seconds,
                 output_.empty() ? "" : " para " + output_);
    return 0;
}

}  // namespace appserver
