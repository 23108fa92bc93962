#include "work_team_cache.h"

namespace appserver {

WorkTeam::WorkTeam(std::vector<TeamMember> members) : members_(std::move(members)) {
    index_.reserve(members_.size());
    for (std::size_t i = 0; i < members_.size(); ++i) index_.emplace(members_[i].code, i);
}

const TeamMember* WorkTeam::find(const std::string& op) const {
    auto it = index_.find(op);
    return it == index_.end() ? nullptr : &members_[it->second];
}

std::shared_ptr<const WorkTeam> WorkTeamCache::teamOf(const Database::Lease& db, const std::string& user) {
    const auto now = std::chrono::steady_clock::now();
    {
        std::lock_guard lock(mutex_);
        auto it = entries_.find(user);
        if (it != entries_.end() && now - it->second.readAt < maxAge_) return it->second.team;
    }
    // Read outside the lock: other users' calls go on meanwhile, and two
    // threads reading the same team at once both get a correct answer.
    auto team = std::make_shared<const WorkTeam>(workTeam(db.sql(), user));
    std::lock_guard lock(mutex_);
    entries_[user] = Entry{now, team};
    return team;
}

}  // namespace appserver
