#include "appserver/remote/work_team_cache.h"

namespace appserver {

WorkTeam::WorkTeam(std::vector<TeamMember> members) : members_(std::move(members)) {
    index_.reserve(members_.size());
    for (std::size_t i = 0; i < members_.size(); ++i) index_.emplace(members_[i].code, i);
}

const TeamMember* WorkTeam::find(const std::string& op) const {
    auto it = index_.find(op);
    return it == index_.end() ? nullptr : &members_[it->second];
}

template <typename V, typename Read>
V WorkTeamCache::cached(std::unordered_map<std::string, Entry<V>>& map, const std::string& key,
                        Read&& read) {
    const auto now = std::chrono::steady_clock::now();
    {
        std::lock_guard lock(mutex_);
        auto it = map.find(key);
        if (it != map.end() && now - it->second.readAt < maxAge_) return it->second.value;
    }
    // Read outside the lock: other users' calls go on meanwhile, and two
    // threads reading the same entry at once both get a correct answer.
    V value = read();
    std::lock_guard lock(mutex_);
    map[key] = Entry<V>{now, value};
    return value;
}

std::shared_ptr<const WorkTeam> WorkTeamCache::teamOf(const Database::Lease& db,
                                                      const std::string& user) {
    return cached(teams_, user,
                  [&] { return std::make_shared<const WorkTeam>(workTeam(db.sql(), user)); });
}

bool WorkTeamCache::mayUseScreen(const Database::Lease& db, const std::string& user,
                                 const std::string& branch, const std::string& screen) {
    // Codes hold no NUL, so the joined key is unambiguous.
    const std::string key = user + '\0' + branch + '\0' + screen;
    return cached(screens_, key, [&] { return operatorMayUseScreen(db, user, branch, screen); });
}

}  // namespace appserver
