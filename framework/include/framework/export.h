#pragma once

// The framework is a shared library built with hidden visibility: only what
// carries FRAMEWORK_EXPORT is reachable by the host and the modules.
#define FRAMEWORK_EXPORT __attribute__((visibility("default")))
