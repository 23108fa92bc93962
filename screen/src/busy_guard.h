#pragma once

#include "framework/application.h"
#include "framework/busy.h"

namespace Cli_Zep00700 {

/// One level of the busy animation over the main form, hidden on every exit
/// path: explicitly with hide(), or by the destructor when a failure leaves
/// the block first. Hiding only what it showed keeps the nesting of the
/// callers' own levels intact.
class BusyGuard {
public:
    BusyGuard() = default;
    ~BusyGuard() { hide(); }
    BusyGuard(const BusyGuard&) = delete;
    BusyGuard& operator=(const BusyGuard&) = delete;

    void show() {
        if (showing_) return;
        framework::ActiveShowAvi(framework::Application().MainForm(), 1);
        showing_ = true;
    }
    void hide() {
        if (!showing_) return;
        showing_ = false;
        framework::DeactiveShowAvi();
    }

private:
    bool showing_ = false;
};

}  // namespace Cli_Zep00700
