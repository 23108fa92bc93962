// The day calendar: a day picked, today, month steps and their delayed load.
#include <QAction>
#include <QFontMetrics>
#include <QLabel>
#include <QPlainTextEdit>

#include <algorithm>

#include "framework/button_flat.h"
#include "framework/calendar.h"
#include "framework/date_edit_plus.h"
#include "framework/utils.h"
#include "platform/ui/dispatch.h"
#include "platform/ui/focus_manager.h"
#include "screen/cli_zep00700.h"
#include "screen/frm_apropriacao.h"

namespace Cli_Zep00700 {

namespace {

int daysInMonth(int year, int month) {
    return static_cast<int>(
        platform::dataset::DateTime::date(year, month, 1).addMonths(1).dayNumber() -
        platform::dataset::DateTime::date(year, month, 1).dayNumber());
}

}  // namespace

void TfrmApropriacao::bindCalendar() {
    platform::ui::FocusManager& focus = focusManager();
    focus.setOnEnter(dbcDia, [this] {
        if (!tearingDown_) dbcDiaEnter();
    });
    connect(btnHojeDia, &QToolButton::clicked, this,
            platform::ui::guarded([this] { btnHojeDiaClick(); }));
    connect(mnuHoje, &QAction::triggered, this,
            platform::ui::guarded([this] { btnHojeDiaClick(); }));
    connect(sbtCalendDiaAnt, &QToolButton::clicked, this,
            platform::ui::guarded([this] { sbtCalendDiaAntClick(); }));
    connect(sbtCalendDiaPost, &QToolButton::clicked, this,
            platform::ui::guarded([this] { sbtCalendDiaPostClick(); }));
    dbcDia->OnChange = [this](framework::TNCalendar&) { dbcDiaChange(); };
    connect(&tmrAgenda, &QTimer::timeout, this,
            platform::ui::guarded([this] { tmrAgendaTimer(); }));
}

platform::dataset::DateTime TfrmApropriacao::chosenDay() const {
    return platform::dataset::DateTime::date(dbcDia->GetDateElement(1), dbcDia->GetDateElement(2),
                                             dbcDia->GetDateElement(3));
}

void TfrmApropriacao::showCalendarCaption(const platform::dataset::DateTime& date) {
    panCalendario->setText(framework::NomeMes(date) + QLatin1Char(' ') +
                           QString::number(dbcDia->GetDateElement(1)));
    // The month buttons sit on both ends of the caption: keep the text between them.
    QFont font = panCalendario->font();
    font.setPointSizeF(QWidget::font().pointSizeF());
    const int room =
        panCalendario->width() - sbtCalendDiaAnt->width() - sbtCalendDiaPost->width() - 4;
    while (font.pointSizeF() > 6 &&
           QFontMetrics(font).horizontalAdvance(panCalendario->text()) > room)
        font.setPointSizeF(font.pointSizeF() - 0.5);
    panCalendario->setFont(font);
}

void TfrmApropriacao::dbcDiaChange() {
    setMemDescQuietly(QString());
    depAgenda->SetDate(chosenDay());
    panFiltroExit();
}

void TfrmApropriacao::dbcDiaEnter() {
    cdsTotApro.close();
}

void TfrmApropriacao::btnHojeDiaClick() {
    depAgenda->SetDate(HoraServidor());
    panFiltroExit();
}

void TfrmApropriacao::sbtCalendDiaAntClick() {
    stepMonth(-1);
}

void TfrmApropriacao::sbtCalendDiaPostClick() {
    stepMonth(+1);
}

void TfrmApropriacao::stepMonth(int delta) {
    dbcDia->SuspendChange();
    try {
        const platform::dataset::DateTime from = depAgenda->GetDate();
        int year = from.year;
        int month = from.month + delta;
        if (month == 0) {
            year -= 1;
            month = 12;
        } else if (month == 13) {
            year += 1;
            month = 1;
        }
        dbcDia->SetDateElement(1, year);
        dbcDia->SetDateElement(2, month);
        // A day the target month lacks (the 29th to the 31st) becomes its last day.
        const int day = std::min(from.day, daysInMonth(year, month));
        depAgenda->SetDate(platform::dataset::DateTime::date(year, month, day));
        showCalendarCaption(depAgenda->GetDate());
    } catch (...) {
        dbcDia->ResumeChange();
        throw;
    }
    dbcDia->ResumeChange();
    tmrAgenda.stop();
    tmrAgenda.start();
    setMemDescQuietly(QString());
}

void TfrmApropriacao::tmrAgendaTimer() {
    if (boFiltrado) panFiltroExit();
    tmrAgenda.stop();
}

}  // namespace Cli_Zep00700
