#pragma once

#include <chrono>
#include <exception>
#include <optional>
#include <stdexcept>
#include <string>

namespace appserver {

/// The database cannot serve the request now, through no fault of the
/// request: the connection is lost, the write lock was not had in time, or
/// the disk is full. Nothing of the request was stored; it may be tried again
/// after `retryAfter`.
class DatabaseUnavailable : public std::runtime_error {
public:
    enum class Reason { Unreachable, Busy, Full };

    DatabaseUnavailable(Reason reason, const std::string& detail,
                        std::chrono::seconds retryAfter = std::chrono::seconds(1))
        : std::runtime_error(detail), reason_(reason), retryAfter_(retryAfter) {}

    Reason reason() const { return reason_; }
    std::chrono::seconds retryAfter() const { return retryAfter_; }
    /// The user's message (Portuguese), by reason.
    std::string userMessage() const;

private:
    Reason reason_;
    std::chrono::seconds retryAfter_;
};

/// What a failure says, fit for a log: for the database library's errors the
/// database's own message alone, first line only; never the statement, its
/// bound values, or a detail line quoting stored values.
std::string failureText(const std::exception& e);

/// The reason when `e`, an error of the database library, is one that a later
/// try may not meet (lost connection, busy or locked, disk full); nullopt otherwise.
std::optional<DatabaseUnavailable::Reason> unavailabilityOf(const std::exception& e);

}  // namespace appserver
