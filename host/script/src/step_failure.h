#pragma once

#include <QString>

#include <stdexcept>

namespace host::script {

/// A command that could not be carried out, or an expectation that did not
/// hold; `seen` says what the screen showed instead.
class StepFailure : public std::runtime_error {
public:
    explicit StepFailure(const QString& seen)
        : std::runtime_error(seen.toStdString()), seen_(seen) {}
    const QString& seen() const { return seen_; }

private:
    QString seen_;
};

}  // namespace host::script
