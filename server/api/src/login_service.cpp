#include "login_service.h"

#include <optional>

#include "appserver/remote/api_error.h"
#include "appserver/stores/directory_store.h"

namespace appserver {

namespace {

ApiError throttled() {
    return {ErrorCode::Throttled,
            "Muitas tentativas de acesso sem sucesso. Aguarde alguns minutos e tente de novo."};
}

}  // namespace

LoginService::LoginService(Database& db, SessionStore& sessions, const ServerSettings& settings)
    : db_(db),
      sessions_(sessions),
      hasher_(settings.hashCost),
      users_(settings.maxLoginFailures, settings.loginLockout),
      addresses_(settings.maxLoginFailures * 4, settings.loginLockout),
      dummyHash_(hasher_.hash(randomToken())) {}

LoginService::Result LoginService::login(const std::string& user, const std::string& password,
                                         const std::string& branch, const std::string& address) {
    const std::string addressKey = "address:" + address;
    if (!addresses_.begin(addressKey)) throw throttled();

    std::optional<OperatorRecord> op;
    bool branchOk = false;
    try {
        auto lease = db_.acquire();
        try {
            op = findOperator(lease.sql(), user);
            if (op) branchOk = operatorHasBranch(lease.sql(), op->code, branch);
        } catch (const std::exception& e) {
            lease.throwIfUnavailable(e);
            throw;
        }
    } catch (...) {
        addresses_.withdraw(addressKey);  // not checked, so not a failure
        throw;
    }

    // Keyed on the operator the database found, not on the text sent: every
    // text that finds an operator counts against that one operator.
    const std::string userKey = op ? "user:" + op->code : "unknown:" + user;
    if (!users_.begin(userKey)) throw throttled();
    const bool passwordOk = hasher_.verify(op ? op->passwordHash : dummyHash_, password);
    if (!op || !passwordOk || !branchOk)
        throw ApiError(ErrorCode::Unauthenticated, "Usuário, senha ou filial inválidos.");

    // Only this user's count starts over: the address keeps its failures, so
    // that one valid account does not lift the cap for the others tried from it.
    users_.succeeded(userKey);
    addresses_.withdraw(addressKey);
    Result r;
    r.session = {op->code, op->name, branch};
    r.token = sessions_.open(r.session);
    return r;
}

}  // namespace appserver
