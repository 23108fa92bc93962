#pragma once

#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "appserver/storage/database.h"
#include "appserver/stores/directory_store.h"

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

/// Work teams and screen permissions read from the database at most once per
/// `maxAge` per user. Every call that only reads checks the operators it
/// names against the caller's team, and the caller against the screen's
/// permission, both of which change only by import: a change reaches such
/// calls within maxAge. Calls that write read both afresh, inside their
/// transaction, never from here.
class WorkTeamCache {
public:
    explicit WorkTeamCache(std::chrono::steady_clock::duration maxAge) : maxAge_(maxAge) {}

    std::shared_ptr<const WorkTeam> teamOf(const Database::Lease& db, const std::string& user);
    /// operatorMayUseScreen(), as read within maxAge.
    bool mayUseScreen(const Database::Lease& db, const std::string& user, const std::string& branch,
                      const std::string& screen);

private:
    template <typename V>
    struct Entry {
        std::chrono::steady_clock::time_point readAt;
        V value;
    };
    /// The value kept for `key` while younger than maxAge, else `read()`'s, kept.
    template <typename V, typename Read>
    V cached(std::unordered_map<std::string, Entry<V>>& map, const std::string& key, Read&& read);

    std::chrono::steady_clock::duration maxAge_;
    std::mutex mutex_;
    std::unordered_map<std::string, Entry<std::shared_ptr<const WorkTeam>>> teams_;
    std::unordered_map<std::string, Entry<bool>> screens_;
};

}  // namespace appserver
