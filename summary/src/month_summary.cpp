#include "month_summary.h"

#include <QStringList>

#include <algorithm>
#include <cstdlib>

#include "framework/errors.h"

namespace Cli_Zep00710 {

namespace pds = platform::dataset;

namespace {

constexpr std::int64_t kSecondsPerMinute = 60;
constexpr std::int64_t kMinutesPerHour = 60;

/// "H:MM" of a count of whole minutes, with no sign.
QString hoursAndMinutes(std::int64_t minutes) {
    return QStringLiteral("%1:%2")
        .arg(minutes / kMinutesPerHour)
        .arg(minutes % kMinutesPerHour, 2, 10, QLatin1Char('0'));
}

/// Whole minutes of `seconds`, the seconds dropped (toward zero).
std::int64_t wholeMinutes(std::int64_t seconds) {
    return seconds / kSecondsPerMinute;
}

/// The index of a field the answer must carry.
int column(const pds::DataPacket& packet, const char* name) {
    const int index = packet.fieldIndex(name);
    if (index < 0)
        throw framework::Error(
            QStringLiteral("A resposta do servidor não tem o campo %1.").arg(QLatin1String(name)));
    return index;
}

QString text(const pds::Value& value) {
    return value.isNull() ? QString() : QString::fromStdString(value.asString());
}

pds::FieldDef textField(const QString& name, int size, const QString& label) {
    pds::FieldDef def;
    def.name = name.toStdString();
    def.size = size;
    def.label = label.toStdString();
    def.readOnly = true;
    return def;
}

}  // namespace

QString dayCellText(const DayFigures& day) {
    if (day.empty()) return QString();
    const std::int64_t minutes = wholeMinutes(day.difference());
    if (minutes == 0) return QStringLiteral("0:00");
    return (minutes < 0 ? QStringLiteral("-") : QStringLiteral("+")) +
           hoursAndMinutes(std::abs(minutes));
}

DayTone dayTone(const DayFigures& day) {
    const std::int64_t difference = day.difference();
    if (difference < -kToleranceSeconds) return DayTone::Short;
    if (difference > kToleranceSeconds) return DayTone::Over;
    return DayTone::WithinTolerance;
}

bool punchedWithoutRows(const DayFigures& day) {
    return day.punched && !day.appropriated;
}

QString totalText(std::int64_t seconds) {
    const std::int64_t minutes = wholeMinutes(seconds);
    return (minutes < 0 ? QStringLiteral("-") : QString()) + hoursAndMinutes(std::abs(minutes));
}

std::optional<std::int64_t> durationSeconds(const QString& text) {
    if (text.trimmed().isEmpty()) return std::nullopt;
    const QStringList parts = text.trimmed().split(QLatin1Char(':'));
    bool ok = parts.size() == 3;
    std::int64_t seconds = 0;
    for (const QString& part : parts) {
        bool digits = false;
        const int value = part.toInt(&digits);
        ok = ok && digits && value >= 0;
        seconds = seconds * 60 + value;
    }
    if (!ok)
        throw framework::Error(
            QStringLiteral("\"%1\" não é uma duração (HH:MM:SS) vinda do servidor.").arg(text));
    return seconds;
}

std::int64_t OperatorMonth::appropriatedTotal() const {
    std::int64_t total = 0;
    for (const auto& entry : days) total += entry.second.appropriated.value_or(0);
    return total;
}

std::int64_t OperatorMonth::punchedTotal() const {
    std::int64_t total = 0;
    for (const auto& entry : days) total += entry.second.punched.value_or(0);
    return total;
}

DayFigures OperatorMonth::day(int dayOfMonth) const {
    const auto found = days.find(dayOfMonth);
    return found == days.end() ? DayFigures{} : found->second;
}

std::vector<Member> membersOf(const pds::DataPacket& packet) {
    std::vector<Member> out;
    if (packet.rows.empty()) return out;
    const int code = column(packet, "CDOPERADOR");
    const int name = column(packet, "NMOPERADOR");
    const int closed = column(packet, "IDFECHADO");
    out.reserve(packet.rows.size());
    for (const pds::Row& row : packet.rows)
        out.push_back(
            {text(row.at(code)), text(row.at(name)), text(row.at(closed)) == QStringLiteral("S")});
    return out;
}

MonthSummary::MonthSummary(const pds::DataPacket& period, const pds::DateTime& firstDay,
                           const std::vector<Member>& members)
    : firstDay_(firstDay.datePart()) {
    firstDay_.day = 1;
    std::map<QString, OperatorMonth> byCode;
    for (const Member& member : members) {
        OperatorMonth& month = byCode[member.code];
        month.code = member.code;
        month.name = member.name;
        month.closed = member.closed;
    }
    if (!period.rows.empty()) addPeriod(period, byCode);
    operators_.reserve(byCode.size());
    for (auto& entry : byCode) operators_.push_back(std::move(entry.second));
}

void MonthSummary::addPeriod(const pds::DataPacket& period,
                             std::map<QString, OperatorMonth>& byCode) const {
    const int code = column(period, "CDOPERADOR");
    const int name = column(period, "NMOPERADOR");
    const int date = column(period, "DTDIA");
    const int appropriated = column(period, "QTHRAPRO");
    const int punched = column(period, "QTHRPONTO");
    const int closed = column(period, "IDFECHADO");
    for (const pds::Row& row : period.rows) {
        const pds::DateTime day = row.at(date).asDateTime();
        if (day.year != firstDay_.year || day.month != firstDay_.month)
            throw framework::Error(QStringLiteral("O servidor respondeu o dia %1 fora do mês %2.")
                                       .arg(QString::fromStdString(day.toDisplayDate()),
                                            QString::fromStdString(firstDay_.format("mm/yyyy"))));
        OperatorMonth& month = byCode[text(row.at(code))];
        month.code = text(row.at(code));
        month.name = text(row.at(name));
        month.closed = month.closed || text(row.at(closed)) == QStringLiteral("S");
        month.days[day.day] = DayFigures{durationSeconds(text(row.at(appropriated))),
                                         durationSeconds(text(row.at(punched)))};
    }
}

int MonthSummary::daysInMonth() const {
    return pds::daysInMonth(firstDay_.year, firstDay_.month);
}

const OperatorMonth* MonthSummary::find(const QString& code) const {
    const auto found = std::find_if(operators_.begin(), operators_.end(),
                                    [&](const OperatorMonth& o) { return o.code == code; });
    return found == operators_.end() ? nullptr : &*found;
}

pds::DataPacket MonthSummary::gridPacket() const {
    pds::DataPacket packet;
    packet.fields.push_back(
        textField(QStringLiteral("CDOPERADOR"), 12, QStringLiteral("Operador")));
    packet.fields.push_back(textField(QStringLiteral("NMOPERADOR"), 40, QStringLiteral("Nome")));
    const int days = daysInMonth();
    for (int d = 1; d <= days; ++d)
        packet.fields.push_back(
            textField(dayFieldName(d), 8, QStringLiteral("%1").arg(d, 2, 10, QLatin1Char('0'))));
    packet.fields.push_back(textField(QStringLiteral("TOTAPRO"), 10, QStringLiteral("Apropriado")));
    packet.fields.push_back(textField(QStringLiteral("TOTPONTO"), 10, QStringLiteral("Ponto")));
    packet.fields.push_back(textField(QStringLiteral("TOTDIFER"), 10, QStringLiteral("Diferença")));
    packet.fields.push_back(textField(QStringLiteral("IDFECHADO"), 1, QStringLiteral("Fechado")));

    for (const OperatorMonth& month : operators_) {
        pds::Row row;
        row.emplace_back(month.code.toStdString());
        row.emplace_back(month.name.toStdString());
        for (int d = 1; d <= days; ++d) row.emplace_back(dayCellText(month.day(d)).toStdString());
        const std::int64_t appropriated = month.appropriatedTotal();
        const std::int64_t punched = month.punchedTotal();
        row.emplace_back(totalText(appropriated).toStdString());
        row.emplace_back(totalText(punched).toStdString());
        row.emplace_back(totalText(appropriated - punched).toStdString());
        row.emplace_back(month.closed ? "S" : "N");
        packet.rows.push_back(std::move(row));
    }
    return packet;
}

QString dayFieldName(int dayOfMonth) {
    return QStringLiteral("D%1").arg(dayOfMonth, 2, 10, QLatin1Char('0'));
}

int dayOfField(const QString& fieldName) {
    if (fieldName.size() != 3 || fieldName.at(0).toUpper() != QLatin1Char('D')) return 0;
    bool ok = false;
    const int day = fieldName.mid(1).toInt(&ok);
    return ok && day >= 1 && day <= 31 ? day : 0;
}

}  // namespace Cli_Zep00710
