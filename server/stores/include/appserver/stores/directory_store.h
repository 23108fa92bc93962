#pragma once

#include <optional>
#include <string>
#include <vector>

#include "appserver/storage/database.h"
#include "appserver/storage/soci_includes.h"

namespace appserver {

/// Operators, their branches, screens and work teams.
struct OperatorRecord {
    std::string code;
    std::string name;
    std::string passwordHash;
};

struct TeamRecord {
    std::string code;
    std::string name;
};

struct TeamMember {
    std::string code;
    std::string name;
};

std::optional<OperatorRecord> findOperator(soci::session& sql, const std::string& code);
bool branchExists(soci::session& sql, const std::string& code);
bool operatorHasBranch(soci::session& sql, const std::string& op, const std::string& branch);
/// The operator works at the branch and may use the screen there.
bool operatorMayUseScreen(const Database::Lease& db, const std::string& op,
                          const std::string& branch, const std::string& screen);
/// True when `op` is in the work team of `user`: the user himself, or one who
/// shares a team with him. One indexed lookup, however large the team.
bool inWorkTeam(const Database::Lease& db, const std::string& user, const std::string& op);
/// The work team of `user` (the user and every operator who shares a team
/// with him), ordered by name (then code).
std::vector<TeamMember> workTeam(soci::session& sql, const std::string& user);
/// The teams `user` belongs to, ordered by code (byte order on both databases).
std::vector<TeamRecord> teamsOf(const Database::Lease& db, const std::string& user);
/// True when `user` belongs to `team`: one lookup by primary key.
bool isTeamMember(const Database::Lease& db, const std::string& team, const std::string& user);
/// An operator's name as the work-team list shows it (and so the screen's
/// name box): its first 40 characters.
std::string listedName(const std::string& name);

}  // namespace appserver
