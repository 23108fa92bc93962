#include "month_chart.h"

#include <QAreaSeries>
#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QLineSeries>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

#include "month_summary.h"

namespace Cli_Zep00710 {

namespace {

constexpr double kSecondsPerHour = 3600.0;
/// Half the width of a day's band: the two bars of a day and a little more.
constexpr double kHalfDay = 0.42;
const QColor kApropriado(0x00, 0x00, 0xFF);
const QColor kPonto(0x80, 0x80, 0x80);
const QColor kTolerancia(0xFF, 0xC0, 0x40, 0x70);

double hours(std::int64_t seconds) {
    return static_cast<double>(seconds) / kSecondsPerHour;
}

}  // namespace

TGraficoMes::TGraficoMes(QWidget* parent) : QChartView(parent) {
    setObjectName(QStringLiteral("chtResumo"));
    // Bars and a stepped band: square edges need no antialiasing, and the
    // chart repaints at every move of the grid.
    setRenderHint(QPainter::Antialiasing, false);
    auto* chart = new QChart;
    chart->legend()->setAlignment(Qt::AlignRight);
    chart->setMargins(QMargins(4, 4, 4, 4));

    upper_ = new QLineSeries(chart);
    lower_ = new QLineSeries(chart);
    band_ = new QAreaSeries(upper_, lower_);
    band_->setName(QStringLiteral("Tolerância (±10 min)"));
    band_->setColor(kTolerancia);
    band_->setBorderColor(kTolerancia.darker(130));
    chart->addSeries(band_);

    bars_ = new QBarSeries;
    setApropriado_ = new QBarSet(QStringLiteral("Apropriado"));
    setApropriado_->setColor(kApropriado);
    setPonto_ = new QBarSet(QStringLiteral("Ponto"));
    setPonto_->setColor(kPonto);
    bars_->append(setApropriado_);
    bars_->append(setPonto_);
    chart->addSeries(bars_);

    days_ = new QBarCategoryAxis;
    days_->setTitleText(QStringLiteral("Dia"));
    // Thirty-one numbers must fit under the bars.
    QFont small = days_->labelsFont();
    small.setPointSizeF(std::max(6.0, small.pointSizeF() * 0.75));
    days_->setLabelsFont(small);
    hours_ = new QValueAxis;
    hours_->setTitleText(QStringLiteral("Horas"));
    hours_->setLabelFormat(QStringLiteral("%d"));
    chart->addAxis(days_, Qt::AlignBottom);
    chart->addAxis(hours_, Qt::AlignLeft);
    for (QAbstractSeries* series :
         {static_cast<QAbstractSeries*>(bars_), static_cast<QAbstractSeries*>(band_)}) {
        series->attachAxis(days_);
        series->attachAxis(hours_);
    }
    setChart(chart);
}

void TGraficoMes::ShowMonth(const OperatorMonth* month, int days, const QString& title) {
    chart()->setTitle(title);
    QList<qreal> apropriado;
    QList<qreal> ponto;
    QList<QPointF> upper;
    QList<QPointF> lower;
    const double tolerance = hours(kToleranceSeconds);
    double highest = 0;
    for (int d = 1; d <= days; ++d) {
        const DayFigures day = month ? month->day(d) : DayFigures{};
        const double a = hours(day.appropriated.value_or(0));
        const double p = hours(day.punched.value_or(0));
        apropriado << a;
        ponto << p;
        // The band only where there is something to hold against it.
        const double top = day.empty() ? 0 : p + tolerance;
        const double bottom = day.empty() ? 0 : std::max(0.0, p - tolerance);
        const double x = d - 1;
        upper << QPointF(x - kHalfDay, top) << QPointF(x + kHalfDay, top);
        lower << QPointF(x - kHalfDay, bottom) << QPointF(x + kHalfDay, bottom);
        highest = std::max({highest, a, top});
    }
    setApropriado_->remove(0, setApropriado_->count());
    setApropriado_->append(apropriado);
    setPonto_->remove(0, setPonto_->count());
    setPonto_->append(ponto);
    upper_->replace(upper);
    lower_->replace(lower);
    // The day labels change only with the month's length: a move of the
    // grid to another operator need not lay them out again.
    if (days_->count() != days) {
        QStringList categories;
        for (int d = 1; d <= days; ++d) categories << QString::number(d);
        days_->clear();
        days_->append(categories);
    }
    // A tick every two hours, up to at least a working day.
    const double top = std::max(8.0, 2 * std::ceil(highest / 2));
    hours_->setRange(0, top);
    hours_->setTickCount(static_cast<int>(top / 2) + 1);
}

}  // namespace Cli_Zep00710
