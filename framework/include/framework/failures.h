#pragma once

#include <QString>

#include <exception>
#include <functional>

#include "framework/export.h"

namespace framework {

/// Runs `step`, a step whose failure the caller drops (a load that only
/// refreshes what is shown): a failure is written to the log as "`what` não
/// terminou: …", never shown to the user; a silent abort is dropped without
/// a line. Returns whether the step completed.
FRAMEWORK_EXPORT bool RunDroppingFailure(const QString& what, const std::function<void()>& step);

/// Runs `action` while a failure is already on its way (from a guard's
/// destructor): what the action throws cannot go anywhere, so it is
/// written to the log as "`what` não terminou: …" and dropped.
FRAMEWORK_EXPORT void RunDuringFailure(const QString& what,
                                       const std::function<void()>& action) noexcept;

/// Runs an action when the scope it guards is left by a failure; leaving
/// it normally runs nothing. For the undo of a step that failed halfway
/// (the calendar put back on the day still shown, say); the failure then
/// goes on to the caller.
class FRAMEWORK_EXPORT OnFailure {
public:
    OnFailure(QString what, std::function<void()> action)
        : what_(std::move(what)),
          action_(std::move(action)),
          failuresAtStart_(std::uncaught_exceptions()) {}
    ~OnFailure() {
        if (std::uncaught_exceptions() > failuresAtStart_) RunDuringFailure(what_, action_);
    }
    OnFailure(const OnFailure&) = delete;
    OnFailure& operator=(const OnFailure&) = delete;

private:
    QString what_;
    std::function<void()> action_;
    int failuresAtStart_;
};

}  // namespace framework
