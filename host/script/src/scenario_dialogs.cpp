#include "scenario_dialogs.h"

namespace host::script {

QString kindName(platform::ui::ScriptedDialogService::Kind kind) {
    using Kind = platform::ui::ScriptedDialogService::Kind;
    switch (kind) {
        case Kind::Error:
            return QStringLiteral("error");
        case Kind::Information:
            return QStringLiteral("information");
        case Kind::Confirmation:
            return QStringLiteral("question");
        case Kind::Pick:
            return QStringLiteral("search list");
        case Kind::Relogin:
            return QStringLiteral("login question");
    }
    return QStringLiteral("?");
}

bool ScenarioDialogService::confirm(const QString& text) {
    try {
        return ScriptedDialogService::confirm(text);
    } catch (const platform::ui::UnexpectedDialog& e) {
        if (!unexpected_) unexpected_ = QString::fromUtf8(e.what());
        throw;
    }
}

std::optional<int> ScenarioDialogService::pick(const platform::ui::PickList& list) {
    try {
        return ScriptedDialogService::pick(list);
    } catch (const platform::ui::UnexpectedDialog& e) {
        if (!unexpected_) unexpected_ = QString::fromUtf8(e.what());
        throw;
    }
}

bool ScenarioDialogService::relogin(const platform::ui::ReloginPrompt& prompt,
                                    const std::function<void(const QString& password)>& attempt) {
    try {
        return ScriptedDialogService::relogin(prompt, attempt);
    } catch (const platform::ui::UnexpectedDialog& e) {
        if (!unexpected_) unexpected_ = QString::fromUtf8(e.what());
        throw;
    }
}

std::optional<QString> ScenarioDialogService::takeUnexpectedQuestion() {
    std::optional<QString> question = std::move(unexpected_);
    unexpected_.reset();
    return question;
}

std::optional<platform::ui::ScriptedDialogService::Shown> ScenarioDialogService::peekMessage()
    const {
    // A search list is a choice, not a message: it is not expected with `expect message`.
    for (std::size_t i = nextMessage_; i < shown().size(); ++i) {
        if (shown()[i].kind != Kind::Pick) return shown()[i];
    }
    return std::nullopt;
}

std::optional<platform::ui::ScriptedDialogService::Shown> ScenarioDialogService::takeMessage() {
    while (nextMessage_ < shown().size()) {
        const Shown& s = shown()[nextMessage_++];
        if (s.kind != Kind::Pick) return s;
    }
    return std::nullopt;
}

}  // namespace host::script
