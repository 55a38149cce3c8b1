// SPDX-License-Identifier: GPL-3.0-or-later
#include "companion/LTM4Res.h"

#include "companion/ModalSeam.h"
#include "companion/SysClock.h"

#include <QCalendarWidget>
#include <QDate>
#include <QDialog>
#include <QDialogButtonBox>
#include <QVBoxLayout>

namespace ltm4 {

namespace {

// The record's date when it names a real day the calendar can show;
// otherwise (an all-zero record, or nonsense) today.
QDate startDate(const SystemTime& date, const QCalendarWidget& calendar)
{
    const QDate given(date.wYear, date.wMonth, date.wDay);
    if (given.isValid() && given >= calendar.minimumDate() && given <= calendar.maximumDate())
        return given;
    return Now().date();
}

} // namespace

qint32 Call_dlg111(QWidget* owner, SystemTime& date)
{
    QDialog dlg(owner);
    dlg.setObjectName(QStringLiteral("dlg111"));
    dlg.setWindowTitle(QStringLiteral("日付の選択"));

    auto* calendar = new QCalendarWidget(&dlg);
    calendar->setObjectName(QStringLiteral("calendar"));
    calendar->setSelectedDate(startDate(date, *calendar));
    // A double-click or Enter on a day confirms it.
    QObject::connect(calendar, &QCalendarWidget::activated, &dlg, &QDialog::accept);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dlg);
    buttons->setObjectName(QStringLiteral("buttonBox"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dlg, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dlg, &QDialog::reject);

    auto* layout = new QVBoxLayout(&dlg);
    layout->addWidget(calendar);
    layout->addWidget(buttons);

    if (ExecModal(dlg) != QDialog::Accepted)
        return 0;

    const QDate chosen = calendar->selectedDate();
    date.wYear = qint16(chosen.year());
    date.wMonth = qint16(chosen.month());
    date.wDay = qint16(chosen.day());
    // Qt counts Monday 1 .. Sunday 7; the record counts Sunday 0 .. Saturday 6.
    date.wDayOfWeek = qint16(chosen.dayOfWeek() % 7);
    return 1;
}

} // namespace ltm4
