#include "error_form.h"

namespace appserver {

const char* errorCodeName(ErrorCode code) {
    switch (code) {
        case ErrorCode::BadRequest:
            return "bad_request";
        case ErrorCode::Unauthenticated:
            return "unauthenticated";
        case ErrorCode::Forbidden:
            return "forbidden";
        case ErrorCode::NotFound:
            return "not_found";
        case ErrorCode::Timeout:
            return "request_timeout";
        case ErrorCode::Conflict:
            return "conflict";
        case ErrorCode::TooLarge:
            return "too_large";
        case ErrorCode::UnsupportedMediaType:
            return "unsupported_media_type";
        case ErrorCode::Invalid:
            return "invalid";
        case ErrorCode::HeadersTooLarge:
            return "headers_too_large";
        case ErrorCode::Throttled:
            return "too_many_requests";
        case ErrorCode::Internal:
            return "internal";
        case ErrorCode::Unavailable:
            return "unavailable";
    }
    return "internal";
}

int errorCodeStatus(ErrorCode code) {
    switch (code) {
        case ErrorCode::BadRequest:
            return 400;
        case ErrorCode::Unauthenticated:
            return 401;
        case ErrorCode::Forbidden:
            return 403;
        case ErrorCode::NotFound:
            return 404;
        case ErrorCode::Timeout:
            return 408;
        case ErrorCode::Conflict:
            return 409;
        case ErrorCode::TooLarge:
            return 413;
        case ErrorCode::UnsupportedMediaType:
            return 415;
        case ErrorCode::Invalid:
            return 422;
        case ErrorCode::HeadersTooLarge:
            return 431;
        case ErrorCode::Throttled:
            return 429;
        case ErrorCode::Internal:
            return 500;
        case ErrorCode::Unavailable:
            return 503;
    }
    return 500;
}

}  // namespace appserver
