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
    focus.setOnEnter(dbcDia, whileAlive(&TfrmApropriacao::dbcDiaEnter));
    connect(btnHojeDia, &QToolButton::clicked, this,
            platform::ui::guarded(whileAlive(&TfrmApropriacao::btnHojeDiaClick)));
    connect(mnuHoje, &QAction::triggered, this,
            platform::ui::guarded(whileAlive(&TfrmApropriacao::btnHojeDiaClick)));
    connect(sbtCalendDiaAnt, &QToolButton::clicked, this,
            platform::ui::guarded(whileAlive(&TfrmApropriacao::sbtCalendDiaAntClick)));
    connect(sbtCalendDiaPost, &QToolButton::clicked, this,
            platform::ui::guarded(whileAlive(&TfrmApropriacao::sbtCalendDiaPostClick)));
    dbcDia->OnChange = whileAlive([this](framework::TNCalendar&) { dbcDiaChange(); });
    connect(&tmrAgenda, &QTimer::timeout, this,
            platform::ui::guarded(whileAlive(&TfrmApropriacao::tmrAgendaTimer)));
}

platform::dataset::DateTime TfrmApropriacao::chosenDay() const {
    return platform::dataset::DateTime::date(dbcDia->GetDateElement(1), dbcDia->GetDateElement(2),
                                             dbcDia->GetDateElement(3));
}

void TfrmApropriacao::setCalendarDay(const platform::dataset::DateTime& day) {
    const framework::TNCalendar::ChangeSuspension quiet(*dbcDia);
    dbcDia->SetCalendarDate(day);
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
    showDay(chosenDay());
}

void TfrmApropriacao::dbcDiaEnter() {
    cdsTotApro.close();
}

void TfrmApropriacao::btnHojeDiaClick() {
    showDay(serverNow());
}

void TfrmApropriacao::showDay(const platform::dataset::DateTime& day) {
    postRowBeingTyped();
    setMemDescQuietly(QString());
    depAgenda->SetDate(day);
    loadDay();
}

void TfrmApropriacao::sbtCalendDiaAntClick() {
    stepMonth(-1);
}

void TfrmApropriacao::sbtCalendDiaPostClick() {
    stepMonth(+1);
}

void TfrmApropriacao::stepMonth(int delta) {
    {
        const framework::TNCalendar::ChangeSuspension quiet(*dbcDia);
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
    }
    tmrAgenda.stop();
    tmrAgenda.start();
    // The description of a row being typed is part of it, kept for its post.
    if (!cdsAtividades.editing()) setMemDescQuietly(QString());
}

void TfrmApropriacao::tmrAgendaTimer() {
    // Stopped first: a refused post must not come back every 1.5 s.
    tmrAgenda.stop();
    if (boFiltrado) loadDay();
}

}  // namespace Cli_Zep00700
