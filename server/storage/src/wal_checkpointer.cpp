#include "appserver/storage/wal_checkpointer.h"

#include <spdlog/spdlog.h>

#include "appserver/storage/database_error.h"

namespace appserver {

WalCheckpointer::WalCheckpointer(std::unique_ptr<soci::session> session,
                                 std::chrono::milliseconds interval)
    : session_(std::move(session)), interval_(interval) {
    // A copy that cannot have what it needs at once tries again at the next
    // interval rather than keep a request waiting behind it.
    *session_ << "PRAGMA busy_timeout = 0";
    thread_ = std::thread([this] { loop(); });
}

WalCheckpointer::~WalCheckpointer() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
    // The last copy, as the database closes: the file then holds every
    // commit by itself, and the log is left empty.
    int busy = 0, frames = 0, copied = 0;
    try {
        *session_ << "PRAGMA wal_checkpoint(TRUNCATE)", soci::into(busy), soci::into(frames),
            soci::into(copied);
        if (busy != 0)
            spdlog::warn("Última cópia do log de escrita incompleta: o banco ainda estava em uso");
    } catch (const std::exception& e) {
        spdlog::warn("Última cópia do log de escrita para o banco falhou: {}", e.what());
    }
}

WalCheckpointer::Stats WalCheckpointer::stats() const {
    std::lock_guard lock(mutex_);
    return stats_;
}

void WalCheckpointer::loop() {
    std::unique_lock lock(mutex_);
    while (!wake_.wait_for(lock, interval_, [this] { return stopping_; })) {
        lock.unlock();
        checkpoint();
        lock.lock();
    }
}

void WalCheckpointer::checkpoint() {
    // PASSIVE: copies what no reader still needs, never waits for readers or
    // writers; what it leaves is copied by a later run.
    int busy = 0, frames = 0, copied = 0;
    try {
        *session_ << "PRAGMA wal_checkpoint(PASSIVE)", soci::into(busy), soci::into(frames),
            soci::into(copied);
    } catch (const std::exception& e) {
        // Said once per run of failures: the copy is tried again every interval.
        if (!failing_)
            spdlog::warn(
                "Cópia do log de escrita para o banco falhou; tentando de novo a cada {} ms: {}",
                interval_.count(), failureText(e));
        failing_ = true;
        return;
    }
    if (failing_) spdlog::info("Cópia do log de escrita para o banco voltou a funcionar");
    failing_ = false;
    {
        std::lock_guard lock(mutex_);
        ++stats_.runs;
        stats_.walFrames = frames;
        stats_.checkpointed = copied;
    }
    if (frames > 0 && copied == frames) truncateIfIdle();
}

void WalCheckpointer::truncateIfIdle() {
    // Until a writer starts the log over, readers keep looking pages up in
    // it and read them from it, not from the mapped database file; after a
    // large import with no save following, that would last. TRUNCATE empties
    // it, and with no waiting allowed it gives up at once if anyone is
    // reading or writing.
    int busy = 0, frames = 0, copied = 0;
    try {
        *session_ << "PRAGMA wal_checkpoint(TRUNCATE)", soci::into(busy), soci::into(frames),
            soci::into(copied);
    } catch (const std::exception& e) {
        if (!failing_)
            spdlog::warn("Não foi possível esvaziar o log de escrita já copiado: {}",
                         failureText(e));
        failing_ = true;
        return;
    }
    if (busy != 0)
        return;  // someone was using the log: the next wholly copied log gets another try
    std::lock_guard lock(mutex_);
    ++stats_.truncations;
}

}  // namespace appserver
