#pragma once

#include <QString>

#include <functional>
#include <utility>
#include <vector>

#include "framework/export.h"

namespace framework {

/// What a screen passes to another module's screen: named values
/// ("CDOPERADOR", "DTDIA"), in the order given.
using ScreenParams = std::vector<std::pair<QString, QString>>;

/// Opens the screen of the module `package` with `params`; the host's way
/// of loading a module and calling its entry routine.
using ScreenOpener = std::function<void(const QString& package, const ScreenParams& params)>;

/// For the host: installs the opener (an empty one uninstalls it).
FRAMEWORK_EXPORT void SetScreenOpener(ScreenOpener opener);

/// Asks the host to open another module's screen, so that a screen never
/// links another module. Throws framework::Error when no host is there to
/// open it; the opener's own failures pass on.
FRAMEWORK_EXPORT void AbreTela(const QString& package, const ScreenParams& params);

}  // namespace framework
