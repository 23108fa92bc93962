// The arguments of a call read as the contract lists them: their count, and
// each by its kind, refused in the server's words with the contract's name
// for the argument.
#include <gtest/gtest.h>

#include <stdexcept>

#include "appserver/remote/api_error.h"
#include "appserver/remote/call_args.h"
#include "protocol/apropriacao.h"

namespace appserver {
namespace {

namespace api = protocol::apropriacao;
using platform::dataset::DateTime;

/// The text of the bad request `read` throws; empty when it throws none.
template <typename Read>
std::string refusal(Read read) {
    try {
        read();
    } catch (const ApiError& e) {
        EXPECT_EQ(e.code(), ErrorCode::BadRequest);
        return e.what();
    }
    return {};
}

TEST(CallArgs, a_call_has_as_many_arguments_as_its_method_takes) {
    const CallArgs two(api::getPonto, {std::string("000000000101"), DateArg{{2026, 12, 7}}});
    EXPECT_EQ(refusal([&] { two.expectCount(); }), "");
    const CallArgs one(api::getAtividades, {std::string("000000000101")});
    EXPECT_EQ(refusal([&] { one.expectCount(); }),
              "getAtividades espera 3 argumento(s) e recebeu 1");
    const CallArgs some(api::getHoraServidor, {std::string("x")});
    EXPECT_EQ(refusal([&] { some.expectCount(); }),
              "getHoraServidor espera 0 argumento(s) e recebeu 1");
}

TEST(CallArgs, each_argument_is_read_by_its_kind_and_named_by_the_contract) {
    const CallArgs a(api::getApropria, {std::string("000000000101"), DateArg{{2026, 12, 7}},
                                        std::string("2026-12-07"), std::string("08:00:00"),
                                        platform::dataset::ChangePacket{}});
    EXPECT_EQ(a.text(0), "000000000101");
    EXPECT_EQ(refusal([&] { a.text(1); }), "getApropria: o argumento 2 (filial) deve ser um texto");
    EXPECT_EQ(refusal([&] { a.date(2); }), "getApropria: o argumento 3 (dia) deve ser uma data");
    EXPECT_EQ(a.text(3), "08:00:00");
    EXPECT_EQ(refusal([&] { a.text(4); }),
              "getApropria: o argumento 5 (término) deve ser um texto");

    const CallArgs packet(api::setAtividades, {std::string("[]")});
    EXPECT_EQ(refusal([&] { packet.delta(0); }),
              "SetAtividades: o argumento 1 (pacote de alterações) deve ser um pacote de "
              "alterações");
}

TEST(CallArgs, a_date_and_time_is_taken_by_its_date_where_a_date_is_expected) {
    const CallArgs a(api::getPonto,
                     {std::string("000000000101"), DateTimeArg{{2026, 12, 7, 9, 30, 0}}});
    EXPECT_EQ(a.date(1), (DateTime{2026, 12, 7}));
}

TEST(CallArgs, reading_an_argument_as_another_kind_than_the_contracts_is_a_fault_of_the_server) {
    const CallArgs a(api::getPonto, {std::string("000000000101"), DateArg{{2026, 12, 7}}});
    EXPECT_THROW(a.date(0), std::logic_error);
    EXPECT_THROW(a.text(1), std::logic_error);
    EXPECT_THROW(a.text(2), std::logic_error);  // the contract lists two
}

}  // namespace
}  // namespace appserver
