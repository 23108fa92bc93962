#include "platform/ui/scripted_dialog_service.h"

namespace platform::ui {

namespace {

const char* kindName(ScriptedDialogService::Kind kind) {
    switch (kind) {
        case ScriptedDialogService::Kind::Error:
            return "error";
        case ScriptedDialogService::Kind::Information:
            return "information";
        case ScriptedDialogService::Kind::Confirmation:
            return "confirmation";
        case ScriptedDialogService::Kind::Pick:
            return "pick list";
        case ScriptedDialogService::Kind::Relogin:
            return "relogin";
    }
    return "?";
}

}  // namespace

void ScriptedDialogService::queueConfirmation(bool yes) {
    answers_.push_back({Kind::Confirmation, yes, std::nullopt});
}

void ScriptedDialogService::queuePick(std::optional<int> row) {
    answers_.push_back({Kind::Pick, false, row});
}

void ScriptedDialogService::queuePassword(std::optional<QString> password) {
    answers_.push_back({Kind::Relogin, false, std::nullopt, std::move(password)});
}

void ScriptedDialogService::error(const QString& text) {
    shown_.push_back({Kind::Error, text});
}

void ScriptedDialogService::information(const QString& text) {
    shown_.push_back({Kind::Information, text});
}

bool ScriptedDialogService::confirm(const QString& text) {
    shown_.push_back({Kind::Confirmation, text});
    return takeAnswer(Kind::Confirmation, text).yes;
}

std::optional<int> ScriptedDialogService::pick(const PickList& list) {
    shown_.push_back({Kind::Pick, list.title});
    const Answer answer = takeAnswer(Kind::Pick, list.title);
    if (answer.row &&
        (*answer.row < 0 || static_cast<std::size_t>(*answer.row) >= list.rows.size())) {
        throw UnexpectedDialog("Scripted pick of row " + std::to_string(*answer.row) + " in \"" +
                               list.title.toStdString() + "\", which has " +
                               std::to_string(list.rows.size()) + " rows");
    }
    return answer.row;
}

bool ScriptedDialogService::relogin(const ReloginPrompt& prompt,
                                    const std::function<void(const QString& password)>& attempt) {
    shown_.push_back({Kind::Relogin, prompt.text});
    for (;;) {
        const Answer answer = takeAnswer(Kind::Relogin, prompt.text);
        if (!answer.password) return false;
        try {
            attempt(*answer.password);
            return true;
        } catch (const std::exception& e) {
            // Shown as the dialog would show it, and the question stays.
            error(QString::fromUtf8(e.what()));
        }
    }
}

QStringList ScriptedDialogService::texts(Kind kind) const {
    QStringList out;
    for (const Shown& s : shown_) {
        if (s.kind == kind) out.append(s.text);
    }
    return out;
}

void ScriptedDialogService::clear() {
    answers_.clear();
    shown_.clear();
}

ScriptedDialogService::Answer ScriptedDialogService::takeAnswer(Kind kind, const QString& text) {
    if (answers_.empty()) {
        throw UnexpectedDialog(std::string("No scripted answer for the ") + kindName(kind) + " \"" +
                               text.toStdString() + "\"");
    }
    if (answers_.front().kind != kind) {
        throw UnexpectedDialog(std::string("The next scripted answer is for a ") +
                               kindName(answers_.front().kind) + ", but a " + kindName(kind) +
                               " was shown: \"" + text.toStdString() + "\"");
    }
    Answer answer = answers_.front();
    answers_.pop_front();
    return answer;
}

}  // namespace platform::ui
