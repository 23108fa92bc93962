#pragma once

#include <QChartView>
#include <QString>

class QAreaSeries;
class QBarCategoryAxis;
class QBarSeries;
class QBarSet;
class QLineSeries;
class QValueAxis;

namespace Cli_Zep00710 {

struct OperatorMonth;

/// The chart under the summary's grid: one operator's month, appropriated
/// and punched hours per day as bars side by side, and the band of the
/// tolerance around the punched hours (a day's appropriated bar outside it
/// is the day coloured in the grid).
class TGraficoMes : public QChartView {
    Q_OBJECT
public:
    explicit TGraficoMes(QWidget* parent = nullptr);

    /// Shows `month` (null: no operator) over `days` days under `title`.
    void ShowMonth(const OperatorMonth* month, int days, const QString& title);

    QBarSet* apropriado() const { return setApropriado_; }
    QBarSet* ponto() const { return setPonto_; }
    /// The tolerance band: its upper and lower edges, two points a day
    /// (the day's bars span), in hours.
    QLineSeries* toleranciaSuperior() const { return upper_; }
    QLineSeries* toleranciaInferior() const { return lower_; }
    QBarCategoryAxis* eixoDias() const { return days_; }
    QValueAxis* eixoHoras() const { return hours_; }

private:
    QBarSeries* bars_ = nullptr;
    QBarSet* setApropriado_ = nullptr;
    QBarSet* setPonto_ = nullptr;
    QLineSeries* upper_ = nullptr;
    QLineSeries* lower_ = nullptr;
    QAreaSeries* band_ = nullptr;
    QBarCategoryAxis* days_ = nullptr;
    QValueAxis* hours_ = nullptr;
};

}  // namespace Cli_Zep00710
