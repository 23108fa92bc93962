// Stores a time clock's punches: matching to operators, leaving out what an
// earlier import stored, numbering the days they fall in, and the bulk insert.
#include <fmt/format.h>
#include <spdlog/spdlog.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <set>
#include <unordered_map>

#include "appserver/clockfile/afd_import.h"
#include "appserver/clockfile/punch_numbering.h"
#include "appserver/storage/punch_totals_deferral.h"

namespace appserver {

namespace {

constexpr const char* kClockOrigin = "CAT";
/// Rows bound at once by the bulk insert.
constexpr std::size_t kInsertBatch = 5000;
/// Issues a refusal lists; the count of the rest follows.
constexpr std::size_t kIssuesShown = 100;

std::string describe(const std::vector<afd::Issue>& issues) {
    std::string text = fmt::format(
        "{} registro(s) com erro; nada foi importado (--skip-bad importa "
        "os demais):",
        issues.size());
    for (std::size_t i = 0; i < issues.size() && i < kIssuesShown; ++i)
        text += fmt::format("\n  linha {}: {}", issues[i].line, issues[i].reason);
    if (issues.size() > kIssuesShown)
        text += fmt::format("\n  … e mais {}", issues.size() - kIssuesShown);
    return text;
}

/// Operator codes by the 11 digits of their PIS and of their CPF.
struct OperatorKeys {
    std::unordered_map<std::string, std::string> byPis, byCpf;

    static OperatorKeys load(soci::session& sql) {
        OperatorKeys keys;
        std::string code, pis, cpf;
        soci::indicator pisInd = soci::i_ok, cpfInd = soci::i_ok;
        soci::statement st = (sql.prepare << "SELECT code, pis, cpf FROM operators"
                                             " WHERE pis IS NOT NULL OR cpf IS NOT NULL",
                              soci::into(code), soci::into(pis, pisInd), soci::into(cpf, cpfInd));
        st.execute();
        while (st.fetch()) {
            if (pisInd == soci::i_ok) keys.byPis.emplace(pis, code);
            if (cpfInd == soci::i_ok) keys.byCpf.emplace(cpf, code);
        }
        return keys;
    }
};

/// What an earlier import stored under one of the clock's NSRs: whose punch, and when.
struct StoredClockPunch {
    std::string op;
    long long punchedAt = 0;
};

std::map<long long, StoredClockPunch> storedNsrs(soci::session& sql, const std::string& serial,
                                                 long long from, long long to) {
    std::map<long long, StoredClockPunch> out;
    long long nsr = 0;
    StoredClockPunch p;
    std::string s = serial;
    soci::statement st =
        (sql.prepare << "SELECT nsr, operator, punched_at FROM punches WHERE clock_serial = :s"
                        " AND nsr BETWEEN :a AND :b",
         soci::into(nsr), soci::into(p.op), soci::into(p.punchedAt), soci::use(s), soci::use(from),
         soci::use(to));
    st.execute();
    while (st.fetch()) out.emplace(nsr, p);
    return out;
}

/// A punch already stored, as far as the numbering may change it.
struct StoredPunch {
    long long id = 0, day = 0;
    std::string direction, event;
    int ordinal = 0;
};

/// Reads an operator's stored punches from a day on, in the order the day's reads give them.
class StoredPunchQuery {
public:
    explicit StoredPunchQuery(soci::session& sql) : st_(sql) {
        st_.exchange(soci::into(id_));
        st_.exchange(soci::into(at_));
        st_.exchange(soci::into(day_));
        st_.exchange(soci::into(direction_));
        st_.exchange(soci::into(event_));
        st_.exchange(soci::into(nsr_, nsrInd_));
        st_.exchange(soci::into(offset_, offsetInd_));
        st_.exchange(soci::into(ordinal_, ordinalInd_));
        st_.exchange(soci::use(op_));
        st_.exchange(soci::use(from_));
        st_.alloc();
        st_.prepare(
            "SELECT id, punched_at, day, direction, event, nsr, utc_offset, ordinal FROM punches"
            " WHERE operator = :o AND day >= :d ORDER BY day, COALESCE(ordinal, 0), punched_at, "
            "id");
        st_.define_and_bind();
    }

    /// Appends the stored punches to `seq` (their `source` indexes `stored`).
    void read(const std::string& op, long long fromDay, std::vector<SequencedPunch>& seq,
              std::vector<StoredPunch>& stored) {
        op_ = op;
        from_ = fromDay;
        st_.execute();
        while (st_.fetch()) {
            SequencedPunch p;
            p.civil = at_;
            if (offsetInd_ == soci::i_ok) p.utcOffsetMinutes = offset_;
            p.dayFixed = nsrInd_ != soci::i_ok;
            p.fixed = day_ == fromDay;
            p.day = day_;
            p.direction = direction_;
            p.event = event_;
            p.ordinal = ordinalInd_ == soci::i_ok ? ordinal_ : 0;
            p.source = stored.size();
            seq.push_back(std::move(p));
            stored.push_back(
                {id_, day_, direction_, event_, ordinalInd_ == soci::i_ok ? ordinal_ : 0});
        }
    }

private:
    soci::statement st_;
    long long id_ = 0, at_ = 0, day_ = 0, nsr_ = 0, from_ = 0;
    int offset_ = 0, ordinal_ = 0;
    soci::indicator nsrInd_ = soci::i_ok, offsetInd_ = soci::i_ok, ordinalInd_ = soci::i_ok;
    std::string direction_, event_, op_;
};

/// The new punches, bound as vectors and inserted a batch at a time.
class PunchInserter {
public:
    PunchInserter(soci::session& sql, std::string company, std::string serial)
        : sql_(sql), company_(std::move(company)), serial_(std::move(serial)) {}

    void add(const std::string& op, const afd::Punch& p, const SequencedPunch& numbered) {
        companies_.push_back(company_);
        operators_.push_back(op);
        at_.push_back(p.at.toSeconds());
        directions_.push_back(numbered.direction);
        events_.push_back(numbered.event);
        days_.push_back(numbered.day);
        origins_.push_back(kClockOrigin);
        serials_.push_back(serial_);
        nsrs_.push_back(p.nsr);
        offsets_.push_back(p.utcOffsetMinutes.value_or(0));
        offsetInds_.push_back(p.utcOffsetMinutes ? soci::i_ok : soci::i_null);
        ordinals_.push_back(numbered.ordinal);
        if (at_.size() == kInsertBatch) flush();
    }

    void flush() {
        if (at_.empty()) return;
        // Prepared for each batch: SOCI's PostgreSQL backend does not follow
        // bound vectors that change size after the statement was prepared.
        soci::statement st(sql_);
        st.exchange(soci::use(companies_));
        st.exchange(soci::use(operators_));
        st.exchange(soci::use(at_));
        st.exchange(soci::use(directions_));
        st.exchange(soci::use(events_));
        st.exchange(soci::use(days_));
        st.exchange(soci::use(origins_));
        st.exchange(soci::use(serials_));
        st.exchange(soci::use(nsrs_));
        st.exchange(soci::use(offsets_, offsetInds_));
        st.exchange(soci::use(ordinals_));
        st.alloc();
        // SQLite: the batch goes to a temporary table first and into punches
        // with one statement. Each insert into a table with triggers keeps a
        // statement journal of the pages it changes: begun, and each page
        // copied, once a batch instead of once a punch (a million punches:
        // 1-2 s of processor time less).
        const bool staged = sql_.get_backend_name() == std::string("sqlite3");
        if (staged)
            sql_ << "CREATE TEMP TABLE IF NOT EXISTS punch_batch (company, operator, punched_at,"
                    " direction, event, day, origin, clock_serial, nsr, utc_offset, ordinal)";
        st.prepare(std::string(staged ? "INSERT INTO temp.punch_batch" : "INSERT INTO punches") +
                   " (company, operator, punched_at, direction, event, day, origin,"
                   " clock_serial, nsr, utc_offset, ordinal)"
                   " VALUES (:c, :o, :a, :r, :e, :d, :g, :s, :n, :u, :i)");
        st.define_and_bind();
        st.execute(true);
        if (staged) {
            sql_ << "INSERT INTO punches (company, operator, punched_at, direction, event, day,"
                    " origin, clock_serial, nsr, utc_offset, ordinal) SELECT company, operator,"
                    " punched_at, direction, event, day, origin, clock_serial, nsr, utc_offset,"
                    " ordinal FROM temp.punch_batch ORDER BY rowid";
            sql_ << "DELETE FROM temp.punch_batch";
        }
        for (auto* v : {&companies_, &operators_, &directions_, &events_, &origins_, &serials_})
            v->clear();
        at_.clear();
        days_.clear();
        nsrs_.clear();
        offsets_.clear();
        offsetInds_.clear();
        ordinals_.clear();
    }

private:
    soci::session& sql_;
    std::string company_, serial_;
    std::vector<std::string> companies_, operators_, directions_, events_, origins_, serials_;
    std::vector<long long> at_, days_, nsrs_;
    std::vector<int> offsets_, ordinals_;
    std::vector<soci::indicator> offsetInds_;
};

/// SQLite: what the session needs while a large file is stored.
///
/// A page cache large enough for the punches' indexes: the rows arrive by
/// operator, so the index by clock and NSR is written all over; with the
/// default cache every transaction of a million punches writes out and reads
/// back its pages many times over.
///
/// Temporary storage in memory: each insert into a table with triggers keeps
/// the pages it changes in a statement journal, and once one statement's
/// journal outgrew its memory, every later one of the transaction went to a
/// file (some eight writes a punch: a million punches spent 7 s more in the
/// kernel).
class LargeFileSettings {
public:
    LargeFileSettings(const Database::Lease& lease, std::size_t punches) : lease_(lease) {
        if (lease.kind() != DatabaseKind::Sqlite || punches < kFrom) return;
        lease.sql() << "PRAGMA cache_size", soci::into(cacheSize_);
        lease.sql() << "PRAGMA temp_store", soci::into(tempStore_);
        lease.sql() << "PRAGMA cache_size = " << kKibibytes;
        lease.sql() << "PRAGMA temp_store = MEMORY";
        set_ = true;
    }
    ~LargeFileSettings() {
        if (!set_) return;
        try {
            lease_.sql() << "PRAGMA cache_size = " << cacheSize_;
            lease_.sql() << "PRAGMA temp_store = " << tempStore_;
        } catch (const std::exception& e) {
            spdlog::warn("Não foi possível restaurar o cache do SQLite: {}", e.what());
        }
    }
    LargeFileSettings(const LargeFileSettings&) = delete;
    LargeFileSettings& operator=(const LargeFileSettings&) = delete;

private:
    static constexpr std::size_t kFrom = 50000;
    static constexpr long long kKibibytes = -512 * 1024;  ///< negative: a size in KiB
    const Database::Lease& lease_;
    long long cacheSize_ = 0, tempStore_ = 0;
    bool set_ = false;
};

}  // namespace

AfdImportError::AfdImportError(std::vector<afd::Issue> issues)
    : std::runtime_error(describe(issues)), issues_(std::move(issues)) {}

AfdImportResult importClockFile(Database& db, const afd::ClockFile& file,
                                const AfdImportOptions& options) {
    if (options.company.size() > 2)
        throw std::invalid_argument("O código da empresa tem no máximo 2 caracteres");
    AfdImportResult result;
    result.layout = file.layout;
    result.clockSerial = file.clockSerial;
    result.companyName = file.companyName;
    result.punchesInFile = file.punches.size();

    auto lease = db.acquire();
    soci::session& sql = lease.sql();
    LargeFileSettings settings(lease, file.punches.size());
    WriteTransaction tx(lease, file.punches.size() + 1);
    tx.lockName("punches");

    // Each punch to its operator; the unknown ones join the file's issues.
    const OperatorKeys keys = OperatorKeys::load(sql);
    const auto& byKey = file.layout == afd::Layout::Old ? keys.byPis : keys.byCpf;
    const char* keyName = file.layout == afd::Layout::Old ? "PIS" : "CPF";
    std::vector<afd::Issue> issues = file.issues;
    std::vector<const std::string*> operatorOf(file.punches.size(), nullptr);
    for (std::size_t i = 0; i < file.punches.size(); ++i) {
        const afd::Punch& p = file.punches[i];
        auto it = byKey.find(p.employee);
        if (it == byKey.end()) {
            issues.push_back(
                {p.line, fmt::format("empregado não cadastrado: nenhum operador tem o {} {}",
                                     keyName, p.employee)});
        } else {
            operatorOf[i] = &it->second;
        }
    }

    // What an earlier import of the same clock stored is left out; an NSR
    // stored with another employee or instant means a file that is not the
    // clock's, and is reported rather than passed over.
    std::map<long long, StoredClockPunch> stored;
    if (!file.punches.empty())
        stored =
            storedNsrs(sql, file.clockSerial, file.punches.front().nsr, file.punches.back().nsr);
    std::vector<bool> storedBefore(file.punches.size(), false);
    for (std::size_t i = 0; i < file.punches.size(); ++i) {
        const afd::Punch& p = file.punches[i];
        auto it = stored.find(p.nsr);
        if (!operatorOf[i] || it == stored.end()) continue;
        if (it->second.op == *operatorOf[i] && it->second.punchedAt == p.at.toSeconds()) {
            storedBefore[i] = true;
            continue;
        }
        issues.push_back(
            {p.line,
             fmt::format("NSR {} já importado deste relógio com outro conteúdo (operador "
                         "{}, batida de {})",
                         p.nsr, it->second.op,
                         platform::dataset::DateTime::fromSeconds(it->second.punchedAt).toIso())});
        operatorOf[i] = nullptr;
    }
    std::stable_sort(issues.begin(), issues.end(),
                     [](const auto& a, const auto& b) { return a.line < b.line; });
    if (!issues.empty() && !options.skipBad) throw AfdImportError(std::move(issues));
    result.skipped = std::move(issues);

    std::map<std::string, std::vector<std::size_t>> newByOperator;
    for (std::size_t i = 0; i < file.punches.size(); ++i) {
        if (!operatorOf[i]) continue;
        if (storedBefore[i]) {
            ++result.alreadyImported;
            continue;
        }
        newByOperator[*operatorOf[i]].push_back(i);
    }

    // The days written are counted once, at the end, not punch by punch.
    PunchTotalsDeferral totals(lease);
    PunchInserter inserter(sql, options.company, file.clockSerial);
    StoredPunchQuery storedQuery(sql);
    long long updDay = 0, updId = 0;
    int updOrdinal = 0;
    std::string updDirection, updEvent;
    soci::statement update =
        (sql.prepare << "UPDATE punches SET day = :d, direction = :r, event = :e, ordinal = :n"
                        " WHERE id = :i",
         soci::use(updDay), soci::use(updDirection), soci::use(updEvent), soci::use(updOrdinal),
         soci::use(updId));
    constexpr std::size_t kNewMark = std::size_t(1) << 62;
    for (const auto& [op, indexes] : newByOperator) {
        // From two days before the earliest new punch: the day before may
        // gain an exit after midnight, and the one before that is the fixed
        // context its first punch follows.
        long long firstDay = 0;
        for (std::size_t k = 0; k < indexes.size(); ++k) {
            const long long d = file.punches[indexes[k]].at.dayNumber();
            if (k == 0 || d < firstDay) firstDay = d;
        }
        std::vector<SequencedPunch> seq;
        std::vector<StoredPunch> before;
        storedQuery.read(op, firstDay - 2, seq, before);
        for (std::size_t index : indexes) {
            const afd::Punch& p = file.punches[index];
            SequencedPunch s;
            s.civil = p.at.toSeconds();
            s.utcOffsetMinutes = p.utcOffsetMinutes;
            s.source = kNewMark | index;
            seq.push_back(std::move(s));
        }
        numberPunches(seq);
        // The days to number anew: those gaining a punch, and those a stored
        // punch moves from or to. The other days keep their stored numbering,
        // even where it was given otherwise (by a data file).
        std::set<long long> days;
        for (const SequencedPunch& s : seq) {
            if (s.fixed) continue;
            if (s.source & kNewMark) {
                days.insert(s.day);
            } else if (before[s.source].day != s.day) {
                days.insert(s.day);
                days.insert(before[s.source].day);
            }
        }
        for (const SequencedPunch& s : seq) {
            if (s.fixed || !days.count(s.day)) continue;
            if (s.source & kNewMark) {
                inserter.add(op, file.punches[s.source & ~kNewMark], s);
                ++result.inserted;
                continue;
            }
            const StoredPunch& old = before[s.source];
            if (old.day == s.day && old.direction == s.direction && old.event == s.event &&
                old.ordinal == s.ordinal)
                continue;
            updDay = s.day;
            updDirection = s.direction;
            updEvent = s.event;
            updOrdinal = s.ordinal;
            updId = old.id;
            update.execute(true);
            if (old.day != s.day || old.event != s.event) ++result.renumbered;
        }
        result.days += days.size();
        if (!days.empty()) totals.touch(op, *days.begin(), *days.rbegin());
    }
    inserter.flush();
    totals.finish();
    tx.commit();
    return result;
}

AfdImportResult importClockFilePath(Database& db, const std::string& path,
                                    const AfdImportOptions& options) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) throw afd::FileError(fmt::format("Não foi possível ler o arquivo {}", path));
    std::string bytes(static_cast<std::size_t>(in.tellg()), '\0');
    in.seekg(0);
    if (!in.read(bytes.data(), static_cast<std::streamsize>(bytes.size())))
        throw afd::FileError(fmt::format("Erro ao ler o arquivo {}", path));
    return importClockFile(db, afd::readClockFile(bytes), options);
}

}  // namespace appserver
