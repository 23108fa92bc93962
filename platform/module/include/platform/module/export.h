#pragma once

// The library is shared and built with hidden visibility: only what carries
// PLATFORM_MODULE_EXPORT is reachable by the libraries and programs that use it.
#define PLATFORM_MODULE_EXPORT __attribute__((visibility("default")))
