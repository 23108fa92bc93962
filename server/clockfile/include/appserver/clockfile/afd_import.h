#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <vector>

#include "appserver/clockfile/afd_reader.h"
#include "appserver/storage/database.h"

namespace appserver {

struct AfdImportOptions {
    /// Import the good records and report the bad ones, instead of refusing the file.
    bool skipBad = false;
    /// The company code (CDEMPRESA) the punches are stored with; at most 2 characters.
    std::string company;
};

struct AfdImportResult {
    afd::Layout layout = afd::Layout::Current;
    std::string clockSerial, companyName;
    std::size_t punchesInFile = 0;    ///< punch records that passed the file's own checks
    std::size_t inserted = 0;         ///< punches stored by this import
    std::size_t alreadyImported = 0;  ///< punches of the file stored before (same clock and NSR)
    std::size_t renumbered = 0;       ///< punches stored before whose day or event changed
    std::size_t days = 0;             ///< operator-days numbered anew
    std::vector<afd::Issue> skipped;  ///< with skipBad: the records left out, in line order
};

/// A file refused whole: the records at fault, in line order.
class AfdImportError : public std::runtime_error {
public:
    explicit AfdImportError(std::vector<afd::Issue> issues);
    const std::vector<afd::Issue>& issues() const { return issues_; }

private:
    std::vector<afd::Issue> issues_;
};

/// Stores the punches of a read file in one write transaction, each matched
/// to its operator (by PIS in the old layout, by CPF in the current one),
/// with origin "CAT". A punch whose clock and NSR are already stored is left
/// out, so that importing a file again adds nothing. Every operator-day that
/// gains a punch is numbered again (see numberPunches), with what was stored
/// for it before. Unless `options.skipBad`, a file with any bad record
/// (including an unknown employee) throws AfdImportError and stores nothing.
AfdImportResult importClockFile(Database& db, const afd::ClockFile& file,
                                const AfdImportOptions& options);

/// Reads the file at `path` and imports it; afd::FileError when unreadable.
AfdImportResult importClockFilePath(Database& db, const std::string& path,
                                    const AfdImportOptions& options);

}  // namespace appserver
