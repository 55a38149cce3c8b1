// SPDX-License-Identifier: GPL-3.0-or-later
// Route operation on the control panel: route set, stepping, the board
// update, display clear and the announcement buttons' stepping.
#include "panel/frmCtl.h"

#include "board/ChimeiCtl_A.h"
#include "board/Form1.h"
#include "board/M_Degit.h"
#include "companion/LTM4Res.h"
#include "companion/MsgBox.h"
#include "companion/RegularFile.h"
#include "companion/SysClock.h"
#include "companion/SysWait.h"
#include "options/VbCheckBox.h"
#include "options/VbComboBox.h"
#include "options/VbOptionButton.h"
#include "options/frmOption.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QTimer>

namespace {

// The lamp test: every segment lit this long after a route is set.
constexpr int kLampTestMs = 3000;

QString dateMmDdYyyy(const QDate& d)
{
    return d.toString(QStringLiteral("MM-dd-yyyy"));
}

} // namespace

QString frmCtl::listDigits(std::span<QListWidget* const> lists)
{
    QString digits;
    for (QListWidget* list : lists) {
        // A list without a selection adds no digit.
        const QList<QListWidgetItem*> chosen = list->selectedItems();
        if (!chosen.isEmpty())
            digits += chosen.first()->text();
    }
    return digits;
}

void frmCtl::Command1_Click(int index)
{
    if (!m_option || !m_board)
        return;
    const QString fareFolder = WithTrailingSeparator(m_option->Text2(0)->text());
    const QString tapeFolder = WithTrailingSeparator(m_option->Text2(1)->text());
    playOnS1(settingText(0));
    ClearStopRequest();

    // The route state changes only when the route is set: a refused route
    // leaves the previous one on the board, whole and steppable.
    QString routeNo;
    QString section;
    if (index != 0) {
        routeNo = m_label2[0]->text();
        section = m_label2[2]->text();
    } else {
        routeNo = listDigits(m_list2);
        section = listDigits(m_list3);
    }
    const qint16 sectionNo = ClampSection(LeadingNumber(section));
    const QString routeKey = RouteKey(routeNo);

    // Announcements first: they follow the route even when its fares are missing.
    if (m_services.TapeLoad)
        m_services.TapeLoad(tapeFolder, routeKey);

    const QFileInfo info(FareFileName(fareFolder, routeNo));
    const QString shownName = QDir::toNativeSeparators(info.absoluteFilePath());
    // Only a regular file is opened: a pipe by the route's name must not
    // hold the panel.
    const ltm4::FileBytes file = ltm4::ReadRegularFile(info.filePath(), kFareFileMaxBytes);
    if (file.error == ltm4::ReadFileError::Missing) {
        // The likely mistake is the folder: say which file was looked for.
        ltm4::MsgBox(this, QStringLiteral("指定した系統のデータがありません..."), ltm4::vbOKOnly,
                     {}, QStringLiteral("探したファイル：") + shownName);
        return;
    }
    if (!file.ok()) {
        ltm4::MsgBox(this, (file.error == ltm4::ReadFileError::Failed
                                ? QStringLiteral("運賃データを読み込めません。(")
                                : QStringLiteral("運賃データを開けません。(")) +
                               file.reason + u')');
        return;
    }
    const QByteArray& bytes = file.bytes;

    // Refused before the table is touched: the previous route stays usable.
    const FareFileResult data = ParseFareFile(bytes);
    if (data.error == FareFileError::NotFareData) {
        ltm4::MsgBox(this, FareFileErrorText(data, shownName));
        return;
    }
    const RouteSetCheck check = CheckSection(data.count, sectionNo);
    if (check != RouteSetCheck::Ok) {
        ltm4::MsgBox(this, RouteSetCheckText(check));
        return;
    }
    if (!data.ok()) {
        ltm4::MsgBox(this, FareFileErrorText(data, shownName));
        return;
    }
    SetRouteData(routeNo, sectionNo, data.records);
}

bool frmCtl::TryRoute(const QString& routeNo, const QString& section,
                      const QList<StopRecord>& records)
{
    if (!m_option || !m_board)
        return false;
    playOnS1(settingText(0));
    const qint16 sectionNo = ClampSection(LeadingNumber(section));
    if (records.size() > kFareTableRows) {
        ltm4::MsgBox(this,
                     QStringLiteral("停留所が %1 あります。運賃データに入るのは %2 までです。")
                         .arg(QString::number(records.size()), QString::number(kFareTableRows)));
        return false;
    }
    const RouteSetCheck check = CheckSection(qint16(records.size()), sectionNo);
    if (check != RouteSetCheck::Ok) {
        ltm4::MsgBox(this, RouteSetCheckText(check));
        return false;
    }
    // The keypad shows what was set, as if it had been keyed.
    m_label2[0]->setText(routeNo);
    m_label2[2]->setText(section);
    SetRouteData(routeNo, sectionNo, records);
    return !m_closing;
}

void frmCtl::SetRouteData(const QString& routeNo, qint16 sectionNo,
                          const QList<StopRecord>& records)
{
    m_route.Table.Fill(records);
    m_route.RouteNo = routeNo;
    m_route.SectionNo = sectionNo;
    m_route.DataCount = qint16(records.size());
    m_route.CurIndex = qint16(sectionNo - 1);

    m_board->ChimeiCtl()->SetChimei(QStringLiteral("系統設定"));
    for (int k = 1; k <= Form1::kCells; ++k)
        m_board->Degit(k)->ResetDegit(-1);
    ltm4::DoEvents();
    ltm4::Wait(kLampTestMs);
    // The panel may have been closed during the wait: the program is ending.
    if (m_closing)
        return;
    for (int k = 1; k <= Form1::kCells; ++k)
        m_board->Degit(k)->setValue(0);

    m_command2[0]->setEnabled(true);
    m_command2[1]->setEnabled(true);
    m_check1->setEnabled(true);

    if (m_option->Option4(2)->Value() == -1)
        m_holdDate = m_option->Label10()->text();
    else if (m_option->Option4(0)->Value() == -1 || m_option->Option4(1)->Value() == -1)
        m_holdDate = dateMmDdYyyy(ltm4::Now().date());
    DispData(qint16(m_route.CurIndex + 1));
    emit routeSet();
}

QString frmCtl::stepSoundFor(qint16 row) const
{
    if (m_option->Option2(0)->Value() == -1)
        return m_option->txtSelectSound(7)->text();
    const std::optional<qint16> flag = m_route.Table.Fare(row, m_option->Combo1()->ListIndex() + 1);
    if (flag && *flag >= 1 && *flag <= 3)
        return m_option->txtSelectSound(7 + *flag)->text();
    return {};
}

void frmCtl::Command2_Click(int index)
{
    if (!m_option || !m_board)
        return;
    if (index == 0) {
        if (m_route.CurIndex == 0)
            return;
        --m_route.CurIndex;
    } else {
        if (m_route.CurIndex + 1 >= m_route.DataCount)
            return;
        ++m_route.CurIndex;
    }
    const qint16 row = qint16(m_route.CurIndex + 1);
    const QString sound = stepSoundFor(row);
    if (!sound.isEmpty() && m_services.SndPlay)
        m_services.SndPlay(sound, QStringLiteral("S2"), m_option->Option6(0)->Value(), 0);
    DispData(row);
}

QString frmCtl::TicketDateText() const
{
    if (!m_option)
        return {};
    if (m_option->Option4(0)->Value() == -1)
        return dateMmDdYyyy(ltm4::Now().date());
    if (m_option->Option4(1)->Value() == -1)
        return m_holdDate;
    return m_option->Label10()->text();
}

QString frmCtl::TicketTimeText()
{
    return ltm4::Now().time().toString(QStringLiteral("HH:mm:ss"));
}

void frmCtl::DispData(qint16 row)
{
    // A new row is the next stop: the request made for the last one is served.
    ClearStopRequest();
    if (const StopRecord* rec = m_route.Table.Row(row)) {
        DrawRow(*rec, row, m_route.SectionNo, m_route.RouteNo);
        emit rowShown(row);
    }
}

void frmCtl::PreviewRow(const StopRecord& record, qint16 row, const QString& routeNo)
{
    // The whole row, whatever section the panel's route started at.
    DrawRow(record, row, 1, routeNo);
}

void frmCtl::EndPreview()
{
    if (m_route.DataCount > 0 && m_check1->Value() != 1) {
        // The cells before the section as route set left them.
        for (int k = 1; k < m_route.SectionNo && k <= Form1::kCells; ++k)
            m_board->Degit(k)->setValue(0);
        DispData(qint16(m_route.CurIndex + 1));
        return;
    }
    // No route on the panel (or the board cleared): the board as it was, blank.
    ++m_boardUpdates;
    if (m_board) {
        m_board->ChimeiCtl()->SetChimei(QString());
        for (int k = 1; k <= Form1::kCells; ++k)
            m_board->Degit(k)->ResetDegit(0);
    }
}

void frmCtl::DrawRow(const StopRecord& record, qint16 row, qint16 sectionNo, const QString& routeNo)
{
    if (!m_option || !m_board || !FareTable::IsRow(row))
        return;
    const StopRecord* rec = &record;
    const bool lateNight = m_check2->Value() == 1;
    for (int k = sectionNo; k <= Form1::kCells; ++k) {
        // Doubled in full width: a fare too large for the cell shows its
        // rightmost digits instead of wrapping to a negative number.
        int v = rec->Fare[size_t(k)];
        if (lateNight && v != -1)
            v *= 2;
        m_board->Degit(k)->setValue(v);
    }

    // Information digits overwrite the fares of their cells, in this order.
    const auto show = [this](int comboIndex, const DegitValue& value) {
        // A cell index from a damaged settings file names no cell: skip it.
        if (M_Degit* cell = m_board->Degit(comboIndex + 1); cell && comboIndex >= 0)
            cell->setValue(value);
    };
    if (m_option->Check3(0)->Value() == 1)
        show(m_option->Combo4(0)->ListIndex(),
             m_option->Check3(4)->Value() == 1 ? row - 1 : int(row));
    if (m_option->Check3(1)->Value() == 1)
        show(m_option->Combo4(1)->ListIndex(), int(rec->SeiriNo));
    if (m_option->Check3(2)->Value() == 1)
        show(m_option->Combo4(2)->ListIndex(), routeNo);
    if (m_option->Check3(3)->Value() == 1) {
        // A column index from a damaged settings file names no fare: skip it.
        const int column = m_option->Combo4(4)->ListIndex() + 1;
        if (column >= 1 && column <= kFareColumns)
            show(m_option->Combo4(3)->ListIndex(), int(rec->Fare[size_t(column)]));
    }

    // The ticket preview: cleared, then drawn by the ticket plugin when the
    // preview is in use (an empty or refused plugin draws nothing).
    QImage ticket(m_preview->contentsRect().size(), QImage::Format_RGB32);
    ticket.fill(Qt::white);
    if (m_option->chkUseSeiriPrev()->Value() == 1) {
        QPainter dc(&ticket);
        ltm4::LT4_DrawSeiriken(m_option->txtSeiriPlgDir()->text(), dc, rec->StopName,
                               TicketDateText(), TicketTimeText(), LeadingNumber(routeNo),
                               rec->SeiriNo, row, qint16(m_combo1->currentIndex()));
    }
    setPreviewImage(ticket);

    // Whatever runs meanwhile may draw a newer row; the name drawn last must
    // be that row's, not this older one's.
    const quint64 update = ++m_boardUpdates;
    const QString name = rec->StopName;
    ltm4::DoEvents();
    if (update == m_boardUpdates)
        m_board->ChimeiCtl()->SetChimei(name);
}

void frmCtl::Check1_Click()
{
    if (!m_board)
        return;
    const bool clear = m_check1->Value() == 1;
    m_cmdStopRequest->setEnabled(!clear);
    if (clear) {
        ClearStopRequest();
        ++m_boardUpdates; // a board update still pending names no stop now
        m_board->ChimeiCtl()->SetChimei(QString());
        for (int k = 1; k <= Form1::kCells; ++k)
            m_board->Degit(k)->ResetDegit(0);
        m_board->Timer1()->stop();
        m_board->TimeDegit(0)->setValue(QString());
        m_board->TimeDegit(1)->setValue(QString());
    } else if (!m_board->TimeDegit(0)->isHidden()) {
        m_board->Timer1()->start();
    }
    for (QWidget* w : {static_cast<QWidget*>(m_frame1[0]), static_cast<QWidget*>(m_frame1[1]),
                       static_cast<QWidget*>(m_command2[0]), static_cast<QWidget*>(m_command2[1]),
                       static_cast<QWidget*>(m_frame6)})
        w->setEnabled(!clear);
    const bool voice = m_services.VoiceAvailable && m_services.VoiceAvailable();
    m_grpMTape->setEnabled(!clear && voice);
    if (!clear)
        DispData(qint16(m_route.CurIndex + 1));
}

void frmCtl::cmdTapeNext_Click()
{
    if (m_services.TapeNext)
        m_services.TapeNext();
    if (m_services.GetTapeIndex && m_services.GetTapeStepFlag &&
        m_services.GetTapeStepFlag(m_services.GetTapeIndex()) == 1)
        Command2_Click(1);
    emit tapeMoved();
}

void frmCtl::cmdTapeBack_Click()
{
    if (m_services.TapeBack)
        m_services.TapeBack();
    if (m_services.GetTapeIndex && m_services.GetTapeStepFlag &&
        m_services.GetTapeStepFlag(m_services.GetTapeIndex()) == 1)
        Command2_Click(0);
    emit tapeMoved();
}
