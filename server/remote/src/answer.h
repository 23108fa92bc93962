#pragma once

#include <string>
#include <vector>

#include "appserver/remote/call_args.h"
#include "appserver/remote/packet_text.h"
#include "platform/dataset/packet.h"
#include "protocol/method.h"

namespace appserver {

/// An answer under construction: the rows, and the contract's answer whose fields they fill.
struct Answer {
    const protocol::Answer* kind;
    std::vector<platform::dataset::Row> rows;
};

/// The empty answer of the method called.
Answer packet(const CallArgs& call);

/// The answer in wire form (packet text), its field list encoded once per answer kind.
std::string answer(const Answer& a);

/// The answer of the method called, written row by row straight into its
/// text (`reserve`: the bytes expected), for answers of many rows.
PacketWriter answerWriter(const CallArgs& call, std::size_t reserve);

}  // namespace appserver
