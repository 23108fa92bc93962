#pragma once

#include <QString>

#include <cstddef>
#include <optional>

#include "platform/ui/scripted_dialog_service.h"

namespace host::script {

/// The dialog service of a scenario run: answers come from the scenario's
/// `answer` commands; every message is recorded for `expect message`. A
/// question without a queued answer is remembered, so the run fails at the
/// command that raised it, and is refused as the scripted service refuses it.
class ScenarioDialogService : public platform::ui::ScriptedDialogService {
public:
    bool confirm(const QString& text) override;
    std::optional<int> pick(const platform::ui::PickList& list) override;
    bool relogin(const platform::ui::ReloginPrompt& prompt,
                 const std::function<void(const QString& password)>& attempt) override;

    /// The first question that found no answer since the last call, then forgets it.
    std::optional<QString> takeUnexpectedQuestion();

    /// The oldest error, information or question not yet expected, or
    /// nullopt; a taken message is not given again.
    std::optional<Shown> takeMessage();
    std::optional<Shown> peekMessage() const;

private:
    std::optional<QString> unexpected_;
    std::size_t nextMessage_ = 0;
};

QString kindName(platform::ui::ScriptedDialogService::Kind kind);

}  // namespace host::script
