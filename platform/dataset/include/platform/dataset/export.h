#pragma once

// The library is shared and built with hidden visibility: only what carries
// PLATFORM_DATASET_EXPORT is reachable by the libraries and programs that use it.
#define PLATFORM_DATASET_EXPORT __attribute__((visibility("default")))
