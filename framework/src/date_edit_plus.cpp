#include "framework/date_edit_plus.h"

#include "framework/errors.h"

namespace framework {

TDateEditPlus::TDateEditPlus(QWidget* parent)
    : platform::ui::MaskedEdit(parent),
      weekdayNames_{QStringLiteral("Domingo"), QStringLiteral("Segunda"), QStringLiteral("Terça"),
                    QStringLiteral("Quarta"),  QStringLiteral("Quinta"),  QStringLiteral("Sexta"),
                    QStringLiteral("Sábado")} {
    setEditMask(QStringLiteral("00/00/0000;1; "));
    defaultTextColor_ = palette().color(QPalette::Text);
    connect(this, &QLineEdit::textChanged, this, [this] { refreshLook(); });
    refreshLook();
}

std::optional<platform::dataset::DateTime> TDateEditPlus::parsed() const {
    if (fill() != platform::ui::MaskFill::Complete) return std::nullopt;
    const QString t = text();  // "dd/mm/yyyy"
    const auto d = platform::dataset::DateTime::date(t.mid(6, 4).toInt(), t.mid(3, 2).toInt(),
                                                     t.mid(0, 2).toInt());
    if (!d.isValid()) return std::nullopt;
    return d;
}

bool TDateEditPlus::hasValidDate() const {
    return parsed().has_value();
}

platform::dataset::DateTime TDateEditPlus::GetDate() const {
    if (fill() == platform::ui::MaskFill::Empty) return {};
    CheckValidDate();
    platform::dataset::DateTime d = *parsed();
    return keepTime_ ? d.addSeconds(keptSeconds_) : d;
}

void TDateEditPlus::SetDate(const platform::dataset::DateTime& date) {
    if (date.isZero()) {
        setStoredText(QString());
        keptSeconds_ = 0;
        return;
    }
    if (!date.isValid()) throw Error(QStringLiteral("Data inválida."));
    setStoredText(QString::fromStdString(date.toDisplayDate()));
    keptSeconds_ = keepTime_ ? date.secondsOfDay() : 0;
}

void TDateEditPlus::CheckValidDate() const {
    if (fill() == platform::ui::MaskFill::Empty || hasValidDate()) return;
    throw Error(QStringLiteral("\"%1\" não é uma data válida.").arg(text()));
}

void TDateEditPlus::setWeekdayNames(const QStringList& sundayFirst) {
    if (sundayFirst.size() != 7)
        throw Error(QStringLiteral("São necessários 7 nomes de dias da semana."));
    weekdayNames_ = sundayFirst;
    refreshLook();
}

QString TDateEditPlus::weekdayName() const {
    const auto d = parsed();
    return d ? weekdayNames_[d->dayOfWeek()] : QString();
}

void TDateEditPlus::setValidDateColor(const QColor& color) {
    validColor_ = color;
    refreshLook();
}

QColor TDateEditPlus::currentTextColor() const {
    return palette().color(QPalette::Text);
}

void TDateEditPlus::refreshLook() {
    QPalette p = palette();
    const bool valid = hasValidDate();
    p.setColor(QPalette::Text, valid && validColor_.isValid() ? validColor_ : defaultTextColor_);
    setPalette(p);
    setToolTip(weekdayName());
}

}  // namespace framework
