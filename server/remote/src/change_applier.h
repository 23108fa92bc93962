#pragma once

#include "call_context.h"
#include "platform/dataset/packet.h"

namespace appserver {

/// Applies a change packet of the appropriation data set inside the call's
/// write transaction (ctx.tx), all or nothing, after checking every rule again: the screen's checks
/// are the first line, these are the last. Throws ApiError: forbidden for rows outside the caller's
/// reach, conflict when a row changed since it was loaded, invalid when a rule refuses a change.
void applyAppropriationChanges(const CallContext& ctx,
                               const platform::dataset::ChangePacket& packet);

}  // namespace appserver
