#pragma once

#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "database.h"
#include "directory_store.h"

namespace appserver {

/// The work team of one user as read at one moment: the user and every
/// operator who shares a team with him, ordered by name.
class WorkTeam {
public:
    explicit WorkTeam(std::vector<TeamMember> members);

    bool contains(const std::string& op) const { return index_.count(op) > 0; }
    /// The member's record, or null when `op` is not in the team.
    const TeamMember* find(const std::string& op) const;
    const std::vector<TeamMember>& members() const { return members_; }

private:
    std::vector<TeamMember> members_;
    std::unordered_map<std::string, std::size_t> index_;
};

/// Work teams read from the database at most once per `maxAge` per user.
/// Every call checks the operators it names against the caller's team, which
/// changes only by import: a change reaches running sessions within maxAge.
class WorkTeamCache {
public:
    explicit WorkTeamCache(std::chrono::steady_clock::duration maxAge) : maxAge_(maxAge) {}

    std::shared_ptr<const WorkTeam> teamOf(const Database::Lease& db, const std::string& user);

private:
    struct Entry {
        std::chrono::steady_clock::time_point readAt;
        std::shared_ptr<const WorkTeam> team;
    };

    std::chrono::steady_clock::duration maxAge_;
    std::mutex mutex_;
    std::unordered_map<std::string, Entry> entries_;
};

}  // namespace appserver
