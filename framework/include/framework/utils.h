#pragma once

#include <QString>
#include <QStringList>

#include <string>
#include <string_view>

#include "framework/export.h"
#include "platform/dataset/datetime.h"

class QWidget;

namespace framework {

/// True for an empty text and for one made of blanks only (spaces, tabs and
/// other control characters).
FRAMEWORK_EXPORT bool EmptyString(const QString& text);
FRAMEWORK_EXPORT bool EmptyString(std::string_view text);

/// The text without leading and trailing blanks (as EmptyString sees them).
FRAMEWORK_EXPORT QString AllTrim(const QString& text);
FRAMEWORK_EXPORT std::string AllTrim(std::string_view text);

/// Brings a code to the fixed width of its column. The code is trimmed
/// first; a code of digits only is left-padded with "0" up to `width`; an
/// empty code (as EmptyString judges it) gives ""; any other code — one
/// holding a letter, sign or inner blank, or one longer than `width` — is
/// returned trimmed and otherwise as typed, for the server to judge.
FRAMEWORK_EXPORT QString Ajusta(const QString& code, int width);
FRAMEWORK_EXPORT std::string Ajusta(std::string_view code, int width);

/// Fills the text arguments of a message: each "%s" of `pattern` takes the
/// next of `args`, in order; "%%" stands for one "%". A pattern asking for
/// more or fewer arguments than given, or holding another directive, throws
/// framework::Error naming the pattern: a message is never shown garbled.
FRAMEWORK_EXPORT QString Format(const QString& pattern, const QStringList& args);

/// Enables or disables every control placed directly in `container` (a
/// disabled container also disables what its children hold).
FRAMEWORK_EXPORT void SetChildEnabled(QWidget* container, bool enabled);

/// "Janeiro" … "Dezembro"; throws framework::Error for a date that is not valid.
FRAMEWORK_EXPORT QString NomeMes(const platform::dataset::DateTime& date);
/// "Domingo", "Segunda", "Terça", "Quarta", "Quinta", "Sexta", "Sábado";
/// throws framework::Error for a date that is not valid.
FRAMEWORK_EXPORT QString NomeSemana(const platform::dataset::DateTime& date);

/// Shows `text` as an error through the dialog service; with `abort` true
/// (the usual call) then throws the silent abort (platform::dataset::Abort) so the
/// running operation is abandoned without a second message.
FRAMEWORK_EXPORT void MensErro(const QString& text, bool abort = true);

}  // namespace framework
