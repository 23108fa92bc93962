#include <QDate>
#include <QFile>
#include <QRegularExpression>

#include <array>
#include <initializer_list>

#include "host/script/key_names.h"
#include "host/script/scenario.h"

namespace host::script {

namespace {

/// What one argument must look like.
enum class Arg {
    Name,         ///< an object name: letters, digits, '_'
    Target,       ///< NAME or GRID.FIELD
    Cell,         ///< GRID.FIELD
    Text,         ///< a quoted text
    Word,         ///< any unquoted word (a remote method's name)
    Path,         ///< a file name, quoted or not
    KeyName,      ///< see parseKeyName
    Count,        ///< a whole number from 0
    Ordinal,      ///< a whole number from 1 (rows)
    Day,          ///< YYYY-MM-DD, a real date
    YesNo,        ///< yes or no
    Colour,       ///< #RRGGBB
    State,        ///< inactive, browse, edit, insert
    WindowState,  ///< normal, minimized, maximized
    Cursor,       ///< default, hourglass
};

struct Form {
    std::initializer_list<const char*> keywords;
    Verb verb;
    std::initializer_list<Arg> args;
    /// How many of the last args may be left out.
    int optional = 0;
};

// Longer keyword sequences come before their prefixes ("expect no message"
// before nothing shorter, "answer pick" before any other "answer").
const Form kForms[] = {
    {{"open"}, Verb::Open, {Arg::Name}, 1},
    {{"close"}, Verb::Close, {}},
    {{"activate"}, Verb::Activate, {}},
    {{"minimize"}, Verb::Minimize, {}},
    {{"maximize"}, Verb::Maximize, {}},
    {{"restore"}, Verb::Restore, {}},
    {{"deactivate"}, Verb::Deactivate, {}},
    {{"focus"}, Verb::Focus, {Arg::Target}},
    {{"type"}, Verb::Type, {Arg::Text}},
    {{"key"}, Verb::Key, {Arg::KeyName}},
    {{"click"}, Verb::Click, {Arg::Name}},
    {{"row"}, Verb::Row, {Arg::Name, Arg::Ordinal}},
    {{"editbutton"}, Verb::EditButton, {}},
    {{"pick"}, Verb::Pick, {Arg::Day}},
    {{"answer", "pick"}, Verb::AnswerPick, {Arg::Ordinal}},
    {{"answer", "cancel"}, Verb::AnswerCancel, {}},
    {{"answer", "yes"}, Verb::AnswerYes, {}},
    {{"answer", "no"}, Verb::AnswerNo, {}},
    {{"answer", "password", "cancel"}, Verb::AnswerPasswordCancel, {}},
    {{"answer", "password"}, Verb::AnswerPassword, {Arg::Text}},
    {{"fail"}, Verb::Fail, {Arg::Word, Arg::Ordinal}, 1},
    {{"wait"}, Verb::Wait, {Arg::Count}},
    {{"screenshot"}, Verb::Screenshot, {Arg::Path}},
    {{"reset", "calls"}, Verb::ResetCalls, {}},
    {{"expect", "text"}, Verb::ExpectText, {Arg::Name, Arg::Text}},
    {{"expect", "caption"}, Verb::ExpectCaption, {Arg::Name, Arg::Text}},
    {{"expect", "hint"}, Verb::ExpectHint, {Arg::Name, Arg::Text}},
    {{"expect", "enabled"}, Verb::ExpectEnabled, {Arg::Name, Arg::YesNo}},
    {{"expect", "visible"}, Verb::ExpectVisible, {Arg::Name, Arg::YesNo}},
    {{"expect", "focus"}, Verb::ExpectFocus, {Arg::Target}},
    {{"expect", "message", "starting"}, Verb::ExpectMessageStarting, {Arg::Text}},
    {{"expect", "message"}, Verb::ExpectMessage, {Arg::Text}},
    {{"expect", "no", "message"}, Verb::ExpectNoMessage, {}},
    {{"expect", "state"}, Verb::ExpectState, {Arg::Name, Arg::State}},
    {{"expect", "field"}, Verb::ExpectField, {Arg::Name, Arg::Name, Arg::Text}},
    {{"expect", "recno"}, Verb::ExpectRecno, {Arg::Name, Arg::Count}},
    {{"expect", "rows"}, Verb::ExpectRows, {Arg::Name, Arg::Count}},
    {{"expect", "cell"}, Verb::ExpectCell, {Arg::Name, Arg::Ordinal, Arg::Name, Arg::Text}},
    {{"expect", "colour"}, Verb::ExpectColour, {Arg::Name, Arg::Ordinal, Arg::Name, Arg::Colour}},
    {{"expect", "bold"}, Verb::ExpectBold, {Arg::Name, Arg::Ordinal, Arg::Name, Arg::YesNo}},
    {{"expect", "icon"}, Verb::ExpectIcon, {Arg::Name, Arg::Ordinal, Arg::YesNo}},
    {{"expect", "readonly"}, Verb::ExpectReadonly, {Arg::Cell, Arg::YesNo}},
    {{"expect", "button"}, Verb::ExpectButton, {Arg::Cell, Arg::YesNo}},
    {{"expect", "marked"}, Verb::ExpectMarked, {Arg::Name, Arg::Day, Arg::YesNo}},
    {{"expect", "calls"}, Verb::ExpectCalls, {Arg::Word, Arg::Count}},
    {{"expect", "windowstate"}, Verb::ExpectWindowState, {Arg::WindowState}},
    {{"expect", "cursor"}, Verb::ExpectCursor, {Arg::Cursor}},
    {{"expect", "busy"}, Verb::ExpectBusy, {Arg::YesNo}},
    {{"expect", "date"}, Verb::ExpectDate, {Arg::Name, Arg::Day}},
};

const QRegularExpression& nameRule() {
    static const QRegularExpression rule(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    return rule;
}

const QRegularExpression& cellRule() {
    static const QRegularExpression rule(
        QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*\\.[A-Za-z_][A-Za-z0-9_]*$"));
    return rule;
}

bool isOneOf(const QString& word, std::initializer_list<const char*> choices) {
    for (const char* choice : choices) {
        if (word == QLatin1String(choice)) return true;
    }
    return false;
}

bool isWholeNumber(const QString& word, int minimum) {
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,9}$"));
    return digits.match(word).hasMatch() && word.toInt() >= minimum;
}

/// The problem with `token` as an argument of kind `kind`, or "" when it fits.
QString argumentProblem(Arg kind, const Token& token) {
    const QString& w = token.text;
    if (kind == Arg::Text) {
        return token.quoted ? QString()
                            : QStringLiteral("expected a text in double quotes, found %1").arg(w);
    }
    if (kind == Arg::Path) return w.isEmpty() ? QStringLiteral("expected a file name") : QString();
    if (token.quoted) return QStringLiteral("\"%1\" should not be quoted here").arg(w);
    switch (kind) {
        case Arg::Name:
            return nameRule().match(w).hasMatch()
                       ? QString()
                       : QStringLiteral("expected a control name, found %1").arg(w);
        case Arg::Target:
            return nameRule().match(w).hasMatch() || cellRule().match(w).hasMatch()
                       ? QString()
                       : QStringLiteral("expected NAME or GRID.FIELD, found %1").arg(w);
        case Arg::Cell:
            return cellRule().match(w).hasMatch()
                       ? QString()
                       : QStringLiteral("expected GRID.FIELD, found %1").arg(w);
        case Arg::Word:
            return QString();
        case Arg::KeyName:
            return parseKeyName(w) ? QString() : QStringLiteral("unknown key %1").arg(w);
        case Arg::Count:
            return isWholeNumber(w, 0) ? QString()
                                       : QStringLiteral("expected a whole number, found %1").arg(w);
        case Arg::Ordinal:
            return isWholeNumber(w, 1)
                       ? QString()
                       : QStringLiteral("expected a number from 1, found %1").arg(w);
        case Arg::Day: {
            static const QRegularExpression shape(QStringLiteral("^[0-9]{4}-[0-9]{2}-[0-9]{2}$"));
            const bool ok =
                shape.match(w).hasMatch() && QDate::fromString(w, Qt::ISODate).isValid();
            return ok ? QString() : QStringLiteral("expected a day YYYY-MM-DD, found %1").arg(w);
        }
        case Arg::YesNo:
            return isOneOf(w, {"yes", "no"})
                       ? QString()
                       : QStringLiteral("expected yes or no, found %1").arg(w);
        case Arg::Colour: {
            static const QRegularExpression shape(QStringLiteral("^#[0-9A-Fa-f]{6}$"));
            return shape.match(w).hasMatch()
                       ? QString()
                       : QStringLiteral("expected a colour #RRGGBB, found %1").arg(w);
        }
        case Arg::State:
            return isOneOf(w, {"inactive", "browse", "edit", "insert"})
                       ? QString()
                       : QStringLiteral("expected inactive, browse, edit or insert, found %1")
                             .arg(w);
        case Arg::WindowState:
            return isOneOf(w, {"normal", "minimized", "maximized"})
                       ? QString()
                       : QStringLiteral("expected normal, minimized or maximized, found %1").arg(w);
        case Arg::Cursor:
            return isOneOf(w, {"default", "hourglass"})
                       ? QString()
                       : QStringLiteral("expected default or hourglass, found %1").arg(w);
        case Arg::Text:
        case Arg::Path:
            break;
    }
    return QString();
}

bool keywordsMatch(const Form& form, const std::vector<Token>& tokens) {
    if (tokens.size() < form.keywords.size()) return false;
    std::size_t i = 0;
    for (const char* keyword : form.keywords) {
        if (tokens[i].quoted || tokens[i].text != QLatin1String(keyword)) return false;
        ++i;
    }
    return true;
}

QString keywordText(const Form& form) {
    QStringList words;
    for (const char* keyword : form.keywords) words.append(QLatin1String(keyword));
    return words.join(QLatin1Char(' '));
}

/// The form whose keywords start the line: the longest match.
const Form* findForm(const std::vector<Token>& tokens) {
    const Form* best = nullptr;
    for (const Form& form : kForms) {
        if (keywordsMatch(form, tokens) && (!best || form.keywords.size() > best->keywords.size()))
            best = &form;
    }
    return best;
}

Command parseLine(const QString& fileName, int lineNumber, const QString& line) {
    std::vector<Token> tokens;
    try {
        tokens = tokenizeLine(line);
    } catch (const std::invalid_argument& e) {
        throw ScenarioSyntaxError(fileName, lineNumber, QString::fromUtf8(e.what()));
    }
    const Form* form = findForm(tokens);
    if (!form) {
        const QString first = tokens.front().text;
        if (first == QLatin1String("expect") || first == QLatin1String("answer")) {
            const QString second = tokens.size() > 1 ? tokens[1].text : QString();
            const QString words = QString(first + QLatin1Char(' ') + second).trimmed();
            throw ScenarioSyntaxError(fileName, lineNumber,
                                      QStringLiteral("unknown command \"%1\"").arg(words));
        }
        throw ScenarioSyntaxError(fileName, lineNumber,
                                  QStringLiteral("unknown command \"%1\"").arg(first));
    }
    const std::size_t given = tokens.size() - form->keywords.size();
    const std::size_t most = form->args.size();
    const std::size_t least = most - static_cast<std::size_t>(form->optional);
    if (given < least || given > most) {
        const QString wanted =
            least == most ? QString::number(most) : QStringLiteral("%1 to %2").arg(least).arg(most);
        throw ScenarioSyntaxError(fileName, lineNumber,
                                  QStringLiteral("\"%1\" takes %2 argument(s), found %3")
                                      .arg(keywordText(*form), wanted)
                                      .arg(given));
    }
    Command command;
    command.line = lineNumber;
    command.verb = form->verb;
    command.source = line.trimmed();
    std::size_t i = form->keywords.size();
    for (const Arg kind : form->args) {
        if (i >= tokens.size()) break;
        const QString problem = argumentProblem(kind, tokens[i]);
        if (!problem.isEmpty()) throw ScenarioSyntaxError(fileName, lineNumber, problem);
        command.args.push_back(tokens[i].text);
        ++i;
    }
    return command;
}

bool isBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\r');
}

}  // namespace

ScenarioSyntaxError::ScenarioSyntaxError(const QString& file, int line, const QString& problem)
    : std::runtime_error((line > 0 ? QStringLiteral("%1:%2: %3").arg(file).arg(line).arg(problem)
                                   : QStringLiteral("%1: %2").arg(file, problem))
                             .toStdString()),
      line_(line),
      problem_(problem) {}

std::vector<Token> tokenizeLine(const QString& line) {
    std::vector<Token> tokens;
    const qsizetype n = line.size();
    qsizetype i = 0;
    while (i < n) {
        if (isBlank(line[i])) {
            ++i;
            continue;
        }
        Token token;
        if (line[i] == QLatin1Char('"')) {
            token.quoted = true;
            ++i;
            bool closed = false;
            while (i < n) {
                if (line[i] == QLatin1Char('"')) {
                    if (i + 1 < n && line[i + 1] == QLatin1Char('"')) {
                        token.text.append(QLatin1Char('"'));
                        i += 2;
                        continue;
                    }
                    closed = true;
                    ++i;
                    break;
                }
                token.text.append(line[i]);
                ++i;
            }
            if (!closed) throw std::invalid_argument("a text in quotes is not closed");
            if (i < n && !isBlank(line[i]))
                throw std::invalid_argument("a closing quote must be followed by a blank");
        } else {
            while (i < n && !isBlank(line[i])) {
                if (line[i] == QLatin1Char('"')) {
                    throw std::invalid_argument(
                        "a quote inside a word: put the whole text in quotes");
                }
                token.text.append(line[i]);
                ++i;
            }
        }
        tokens.push_back(std::move(token));
    }
    return tokens;
}

Scenario parseScenario(const QString& text, const QString& fileName) {
    Scenario scenario;
    scenario.file = fileName;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (qsizetype index = 0; index < lines.size(); ++index) {
        const QString trimmed = lines[index].trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char('#'))) continue;
        scenario.commands.push_back(parseLine(fileName, static_cast<int>(index + 1), lines[index]));
    }
    return scenario;
}

Scenario loadScenario(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw ScenarioSyntaxError(
            path, 0, QStringLiteral("cannot read the scenario: %1").arg(file.errorString()));
    }
    const QByteArray bytes = file.readAll();
    QString text = QString::fromUtf8(bytes);
    if (text.toUtf8() != bytes)
        throw ScenarioSyntaxError(path, 0, QStringLiteral("the scenario is not UTF-8 text"));
    if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);  // a byte-order mark some editors write
    return parseScenario(text, path);
}

}  // namespace host::script
