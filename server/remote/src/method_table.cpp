#include "method_table.h"

#include <fmt/format.h>

#include <algorithm>
#include <stdexcept>

#include "appserver/remote/api_error.h"

namespace appserver {

using platform::dataset::DateTime;

namespace {

/// How much a write will do, for the order in which waiting writers go: the changes of its packet.
std::size_t writeWeight(const std::vector<CallArg>& args) {
    const auto* packet =
        args.empty() ? nullptr : std::get_if<platform::dataset::ChangePacket>(&args.front());
    return packet ? std::max<std::size_t>(1, packet->changes.size()) : 1;
}

/// The handler, once the call has as many arguments as the method takes.
std::string runChecked(const Route& route, const CallContext& ctx, const CallArgs& args) {
    args.expectCount();
    return route.run(ctx, args);
}

struct Call {
    const SessionInfo& session;
    const std::string& address;
    DateTime now;
    WorkTeamCache& teams;
    std::string_view screen;
};

std::string runMethod(const Route& route, const Call& call, const Database::Lease& lease,
                      const CallArgs& args, std::size_t weight) {
    if (route.access == Access::Write) {
        // The permission and the work team are read inside the transaction
        // that writes, so that a change to either is never missed by a save.
        // Saves queue for the disk's sync more than for their own work: they
        // share a commit with the saves waiting behind them.
        WriteTransaction tx(lease, weight, WriteTransaction::Sharing::Joins);
        const CallContext ctx{call.session, call.address, tx.lease(), call.now,
                              call.teams,   call.screen,  &tx};
        ctx.requireScreen();
        std::string result = runChecked(route, ctx, args);
        tx.commit();
        return result;
    }
    const CallContext ctx{call.session, call.address, lease, call.now, call.teams, call.screen};
    if (lease.kind() != DatabaseKind::Sqlite) {
        if (route.access == Access::Read) ctx.requireScreen();
        return runChecked(route, ctx, args);
    }
    // One read transaction for the call's queries: SQLite then takes its
    // shared lock once instead of once per query, and they see one snapshot.
    ReadTransaction snapshot(lease);
    if (route.access == Access::Read) ctx.requireScreen();
    return runChecked(route, ctx, args);
}

}  // namespace

MethodTable::MethodTable(const protocol::Module& module, std::string_view screen,
                         std::span<const Route> routes)
    : module_(module), screen_(screen) {
    for (const Route& route : routes) routes_.emplace(route.method->name, route);
    for (const protocol::Method* method : module.methods)
        if (!routes_.contains(method->name))
            throw std::logic_error(
                fmt::format("{} of {} has no handler", method->name, module.name));
}

std::string MethodTable::call(Database& db, WorkTeamCache& teams, DateTime now,
                              const SessionInfo& session, const std::string& address,
                              const std::string& method, std::vector<CallArg> args) const {
    const auto it = routes_.find(method);
    if (it == routes_.end())
        throw ApiError(ErrorCode::NotFound,
                       fmt::format("Método \"{}\" não existe em {}", method, module_.name));
    const std::size_t weight = writeWeight(args);
    CallArgs callArgs(*it->second.method, std::move(args));
    auto lease = db.acquire();
    try {
        return runMethod(it->second, Call{session, address, now, teams, screen_}, lease, callArgs,
                         weight);
    } catch (const std::exception& e) {
        lease.throwIfUnavailable(e);
        throw;
    }
}

}  // namespace appserver
