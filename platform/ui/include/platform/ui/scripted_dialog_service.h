#pragma once

#include <deque>
#include <stdexcept>

#include "platform/ui/dialog_service.h"
#include "platform/ui/export.h"

namespace platform::ui {

/// A question reached the scripted service without a queued answer of its
/// kind. Raised instead of waiting, so a headless run fails visibly.
class PLATFORM_UI_EXPORT UnexpectedDialog : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// Answers questions from a queue filled in advance and records every
/// message and question shown, in order.
class PLATFORM_UI_EXPORT ScriptedDialogService : public DialogService {
public:
    enum class Kind { Error, Information, Confirmation, Pick, Relogin };

    struct Shown {
        Kind kind;
        QString text;  ///< the message, the question, or the pick list's title
    };

    void queueConfirmation(bool yes);
    /// nullopt answers the pick list with a cancel.
    void queuePick(std::optional<int> row);
    /// The password typed at the next relogin question; nullopt gives up.
    /// A refused password takes the next queued answer.
    void queuePassword(std::optional<QString> password);

    void error(const QString& text) override;
    void information(const QString& text) override;
    bool confirm(const QString& text) override;
    std::optional<int> pick(const PickList& list) override;
    bool relogin(const ReloginPrompt& prompt,
                 const std::function<void(const QString& password)>& attempt) override;

    const std::vector<Shown>& shown() const { return shown_; }
    /// Texts shown with the given kind, in order.
    QStringList texts(Kind kind) const;
    std::size_t pendingAnswers() const { return answers_.size(); }
    void clear();

private:
    struct Answer {
        Kind kind;
        bool yes = false;
        std::optional<int> row;
        std::optional<QString> password;
    };
    Answer takeAnswer(Kind kind, const QString& text);

    std::deque<Answer> answers_;
    std::vector<Shown> shown_;
};

}  // namespace platform::ui
