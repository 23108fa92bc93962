// libFuzzer target: the decoders that read what a client sends, the body of
// a remote call (texts, dates, change packets within the server's limits)
// and a change packet by itself. A refusal is the expected outcome of most
// inputs; anything else escaping, a crash, a sanitizer report or an input
// that takes too long is a fault.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "appserver/api/call_decoder.h"
#include "appserver/remote/api_error.h"
#include "platform/dataset/errors.h"
#include "platform/dataset/packet_json.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        appserver::decodeCallBody(text);
    } catch (const appserver::ApiError&) {
        // refused with a message for the client, as it should be
    }
    try {
        platform::dataset::decodeChangePacket(text);
    } catch (const platform::dataset::Error&) {
        // refused with a message, as it should be
    }
    return 0;
}
