#pragma once

#include <QString>

#include <stdexcept>
#include <vector>

namespace host::script {

/// Every command of the scenario language: the moves a user makes and the
/// expectations about what the user then sees (docs/scenarios.md).
enum class Verb {
    // Moves
    Open,
    Close,
    Activate,
    Minimize,
    Maximize,
    Restore,
    Deactivate,
    Focus,
    Type,
    Key,
    Click,
    Row,
    EditButton,
    Pick,
    AnswerPick,
    AnswerCancel,
    AnswerYes,
    AnswerNo,
    AnswerPassword,
    AnswerPasswordCancel,
    Fail,
    Wait,
    Screenshot,
    ResetCalls,
    // Expectations
    ExpectText,
    ExpectCaption,
    ExpectHint,
    ExpectEnabled,
    ExpectVisible,
    ExpectFocus,
    ExpectMessage,
    ExpectMessageStarting,
    ExpectNoMessage,
    ExpectState,
    ExpectField,
    ExpectRecno,
    ExpectRows,
    ExpectCell,
    ExpectColour,
    ExpectBold,
    ExpectIcon,
    ExpectReadonly,
    ExpectButton,
    ExpectMarked,
    ExpectCalls,
    ExpectWindowState,
    ExpectCursor,
    ExpectBusy,
    ExpectDate,
};

/// One command line of a scenario, its arguments checked for shape (a
/// number is a number, a day a real date, a text was quoted) and with the
/// quotes of texts removed.
struct Command {
    int line = 0;
    Verb verb = Verb::Open;
    std::vector<QString> args;
    /// The line as written, without surrounding blanks, for reports.
    QString source;

    bool isExpectation() const { return verb >= Verb::ExpectText; }
};

struct Scenario {
    QString file;
    std::vector<Command> commands;
};

/// A scenario that cannot be read: what() names the file and the line.
class ScenarioSyntaxError : public std::runtime_error {
public:
    ScenarioSyntaxError(const QString& file, int line, const QString& problem);
    int line() const { return line_; }
    const QString& problem() const { return problem_; }

private:
    int line_;
    QString problem_;
};

/// One word of a command line.
struct Token {
    QString text;
    bool quoted = false;
};

/// Splits one line into words separated by blanks; "…" is one word, with
/// "" inside standing for one quote. Throws std::invalid_argument for a
/// text whose closing quote is missing or a quote glued to a word.
std::vector<Token> tokenizeLine(const QString& line);

/// Reads a whole scenario. Blank lines and lines whose first non-blank
/// character is '#' are skipped. Throws ScenarioSyntaxError at the first
/// line that is not a command of the language.
Scenario parseScenario(const QString& text, const QString& fileName);

/// parseScenario of a UTF-8 file; a file that cannot be read throws
/// ScenarioSyntaxError with line 0.
Scenario loadScenario(const QString& path);

}  // namespace host::script
