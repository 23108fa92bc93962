#pragma once

#include <stdexcept>
#include <string>

#include "platform/dataset/export.h"

namespace platform::dataset {

/// The one error type of the data-set layer. The message is meant for the
/// user: it names the field, packet member or operation at fault.
class PLATFORM_DATASET_EXPORT Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// A packet (data packet or change packet) that is malformed or inconsistent.
class PLATFORM_DATASET_EXPORT PacketError : public Error {
public:
    using Error::Error;
};

/// A silent abort: ends the running operation without any message. The
/// dispatch point that calls handlers swallows it; every other layer lets it
/// pass like any other exception (a before-handler that throws it cancels
/// the operation it guards).
class PLATFORM_DATASET_EXPORT Abort : public std::exception {
public:
    const char* what() const noexcept override { return "Operation aborted"; }
};

}  // namespace platform::dataset
