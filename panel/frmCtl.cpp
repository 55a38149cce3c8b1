// SPDX-License-Identifier: GPL-3.0-or-later
#include "panel/frmCtl.h"

#include "board/ChimeiCtl_A.h"
#include "board/Form1.h"
#include "companion/LTM4Res.h"
#include "companion/MsgBox.h"
#include "companion/SeiriPluginWarnings.h"
#include "companion/SysClock.h"
#include "companion/Twips.h"
#include "options/VbCheckBox.h"
#include "options/VbOptionButton.h"
#include "options/frmOption.h"
#include "settings/SettingsRecord.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>

namespace {

constexpr int kTwips = ltm4::kTwipsPerPixel;
constexpr int kHeight = 252;

QString programBaseName()
{
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

QPushButton* makeButton(const QString& caption, const QString& name, QWidget* parent,
                        const QRect& geometry)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setGeometry(geometry);
    b->setFocusPolicy(Qt::NoFocus);
    return b;
}

QLabel* makeLabel(const QString& caption, QWidget* parent, const QRect& geometry)
{
    auto* l = new QLabel(caption, parent);
    l->setGeometry(geometry);
    return l;
}

// The rounded shape of a keypad key: (2, 2)-(28, 25) with 1-pixel corners.
QRegion keyRegion()
{
    QRegion r(QRect(QPoint(2, 2), QPoint(27, 24)));
    for (const QPoint& corner : {QPoint(2, 2), QPoint(27, 2), QPoint(2, 24), QPoint(27, 24)})
        r -= QRegion(QRect(corner, QSize(1, 1)));
    return r;
}

QString namedIndex(const char* name, int index)
{
    return QStringLiteral("%1_%2").arg(QLatin1String(name)).arg(index);
}

} // namespace

frmCtl::frmCtl(QWidget* parent) : QWidget(parent, Qt::Window | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("frmCtl"));
    setWindowTitle(QStringLiteral("集中操作盤"));
    QFont f = font();
    f.setPixelSize(12);
    setFont(f);
    setFixedSize(kClosedWidthTwips / kTwips, kHeight);

    buildEntryFrames();
    buildRightSide();
    buildPreviewPane();
    buildStopRequest();
    // Before any saved state, the keypad is in front.
    Frame1_DblClick(0);
    ShowKeyNames();
    // Keys work in the panel and on the board, whichever has focus.
    qApp->installEventFilter(this);
}

frmCtl::~frmCtl() = default;

void frmCtl::buildEntryFrames()
{
    const QRect frameRect(4, 4, 170, 214);
    for (int i = 0; i < 2; ++i) {
        m_frame1[size_t(i)] = new QFrame(this);
        m_frame1[size_t(i)]->setObjectName(namedIndex("Frame1", i));
        m_frame1[size_t(i)]->setFrameShape(QFrame::StyledPanel);
        m_frame1[size_t(i)]->setGeometry(frameRect);
        m_frame1[size_t(i)]->setAutoFillBackground(true);
        m_frame1[size_t(i)]->installEventFilter(this);
    }

    // Keypad frame.
    QFrame* keypad = m_frame1[1];
    const QRect displays[3] = {{6, 6, 86, 24}, {94, 6, 10, 24}, {106, 6, 58, 24}};
    for (int i = 0; i < 3; ++i) {
        m_label2[size_t(i)] =
            makeLabel(i == 1 ? QStringLiteral("-") : QString(), keypad, displays[i]);
        m_label2[size_t(i)]->setObjectName(namedIndex("Label2", i));
        m_label2[size_t(i)]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        if (i != 1) {
            m_label2[size_t(i)]->setFrameShape(QFrame::Panel);
            m_label2[size_t(i)]->setFrameShadow(QFrame::Sunken);
            m_label2[size_t(i)]->setAutoFillBackground(true);
            QPalette pal = m_label2[size_t(i)]->palette();
            pal.setColor(QPalette::Window, Qt::white);
            pal.setColor(QPalette::WindowText, Qt::black);
            m_label2[size_t(i)]->setPalette(pal);
            QFont big = font();
            big.setPixelSize(16);
            big.setBold(true);
            m_label2[size_t(i)]->setFont(big);
        }
    }
    // Keys laid out as on a phone: 1 2 3 / 4 5 6 / 7 8 9 / 系統 0 区間.
    const int layout[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 0, 11};
    for (int pos = 0; pos < 12; ++pos) {
        const int index = layout[pos];
        const QString caption = index == 10   ? QStringLiteral("系統")
                                : index == 11 ? QStringLiteral("区間")
                                              : QString::number(index);
        const QRect g(18 + (pos % 3) * 46, 36 + (pos / 3) * 33, 30, 27);
        m_key[size_t(index)] = makeButton(caption, namedIndex("CommandButton1", index), keypad, g);
        // Drawn inside the rounded shape the key is cut to.
        m_key[size_t(index)]->setStyleSheet(QStringLiteral(
            "QPushButton { margin: 2px 2px 2px 2px; border: 1px solid #6a6a6a; border-radius: 3px;"
            " background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #fdfdfd, stop:1 #d8d8d8); "
            "}"
            "QPushButton:pressed { background: #c4c4c4; }"));
        connect(m_key[size_t(index)], &QPushButton::clicked, this,
                [this, index] { CommandButton1_Click(index); });
    }
    m_command1[1] = makeButton(QStringLiteral("リセット"), QStringLiteral("Command1_1"), keypad,
                               QRect(18, 172, 122, 32));
    connect(m_command1[1], &QPushButton::clicked, this, [this] { Command1_Click(1); });

    // Digit-list frame. The lists show 0 to 9 with at most a short scroll:
    // compact rows, no horizontal bar.
    QFrame* lists = m_frame1[0];
    makeLabel(QStringLiteral("系統設定"), lists, QRect(6, 2, 60, 16));
    makeLabel(QStringLiteral("系　統"), lists, QRect(70, 2, 50, 16));
    const QStringList digits{"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"};
    const auto makeList = [&](const QString& name, const QRect& geometry) {
        auto* l = new QListWidget(lists);
        l->setObjectName(name);
        l->addItems(digits);
        l->setGeometry(geometry);
        l->setUniformItemSizes(true);
        l->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        QFont small = l->font();
        small.setPixelSize(11);
        l->setFont(small);
        l->setStyleSheet(QStringLiteral("QListWidget::item { height: 12px; padding: 0px; }"));
        return l;
    };
    for (int i = 0; i < 5; ++i) {
        QListWidget* l = makeList(namedIndex("List2", i), QRect(6 + i * 31, 20, 29, 92));
        // A choice made by mouse or keys sounds; a list merely gaining focus does not.
        connect(l, &QListWidget::itemSelectionChanged, this, [this] { playOnS1(settingText(1)); });
        m_list2[size_t(i)] = l;
    }
    makeLabel(QStringLiteral("区間"), lists, QRect(102, 118, 60, 14));
    for (int i = 0; i < 3; ++i) {
        QListWidget* l = makeList(namedIndex("List3", i), QRect(6 + i * 31, 116, 29, 94));
        connect(l, &QListWidget::itemSelectionChanged, this, [this] { playOnS1(settingText(0)); });
        m_list3[size_t(i)] = l;
    }
    m_command1[0] = makeButton(QStringLiteral("リセット"), QStringLiteral("Command1_0"), lists,
                               QRect(102, 150, 62, 40));
    connect(m_command1[0], &QPushButton::clicked, this, [this] { Command1_Click(0); });
}

void frmCtl::buildRightSide()
{
    const QString yellow = QStringLiteral("QPushButton { background-color: #ffff80; }");
    const QString green = QStringLiteral("QPushButton { background-color: #80ff80; }");
    m_command2[0] = makeButton(QStringLiteral("データ戻し"), QStringLiteral("Command2_0"), this,
                               QRect(180, 4, 84, 44));
    m_command2[1] = makeButton(QStringLiteral("データ送り"), QStringLiteral("Command2_1"), this,
                               QRect(268, 4, 86, 44));
    for (int i = 0; i < 2; ++i) {
        m_command2[size_t(i)]->setStyleSheet(yellow);
        m_command2[size_t(i)]->setEnabled(false);
        connect(m_command2[size_t(i)], &QPushButton::clicked, this,
                [this, i] { Command2_Click(i); });
    }

    m_check1 = new VbCheckBox(QStringLiteral("表示消去"), this);
    m_check1->setObjectName(QStringLiteral("Check1"));
    m_check1->setGeometry(182, 52, 100, 20);
    m_check1->setEnabled(false);
    // Like the buttons, the switches take no keyboard focus: a stray key must
    // not blank the board or double the fares unnoticed.
    m_check1->setFocusPolicy(Qt::NoFocus);
    connect(m_check1, &QCheckBox::stateChanged, this, &frmCtl::Check1_Click);

    m_frame6 = new QFrame(this);
    m_frame6->setObjectName(QStringLiteral("Frame6"));
    m_frame6->setFrameShape(QFrame::StyledPanel);
    m_frame6->setGeometry(180, 74, 175, 84);
    m_check2 = new VbCheckBox(QStringLiteral("深夜料金"), m_frame6);
    m_check2->setObjectName(QStringLiteral("Check2"));
    m_check2->setGeometry(6, 4, 100, 20);
    m_check2->setFocusPolicy(Qt::NoFocus);
    const char16_t* sliderCaptions[2] = {u"ｽｸﾛｰﾙ速度", u"ｽｸﾛｰﾙ間隔"};
    const int ranges[2][2] = {{1, 2000}, {0, 3000}};
    for (int i = 0; i < 2; ++i) {
        const int y = 30 + i * 26;
        makeLabel(QString::fromUtf16(sliderCaptions[i]), m_frame6, QRect(6, y, 58, 18));
        auto* s = new QScrollBar(Qt::Horizontal, m_frame6);
        s->setObjectName(namedIndex("HScroll1", i));
        s->setRange(ranges[i][0], ranges[i][1]);
        s->setValue(ranges[i][0]);
        s->setGeometry(64, y, 72, 18);
        s->setFocusPolicy(Qt::ClickFocus);
        m_hscroll1[size_t(i)] = s;
        m_label1[size_t(i)] =
            makeLabel(QString::number(ranges[i][0]), m_frame6, QRect(138, y, 34, 18));
        m_label1[size_t(i)]->setObjectName(namedIndex("Label1", i));
        connect(s, &QScrollBar::valueChanged, this, [this, i] { HScroll1_Change(i); });
    }

    m_frame2 = new QGroupBox(QStringLiteral("バックライト"), this);
    m_frame2->setObjectName(QStringLiteral("Frame2"));
    m_frame2->setGeometry(180, 160, 175, 42);
    const char* states[3] = {"OFF", "ON1", "ON2"};
    for (int i = 0; i < 3; ++i) {
        m_option4[size_t(i)] = new QRadioButton(QString::fromLatin1(states[i]), m_frame2);
        m_option4[size_t(i)]->setObjectName(namedIndex("Option4", i));
        m_option4[size_t(i)]->setGeometry(6 + i * 56, 18, 54, 20);
        m_option4[size_t(i)]->setFocusPolicy(Qt::NoFocus);
        connect(m_option4[size_t(i)], &QRadioButton::clicked, this,
                [this, i] { Option4_Click(i); });
    }
    m_option4[0]->setChecked(true);

    m_command4 = makeButton(QStringLiteral("設定..."), QStringLiteral("Command4"), this,
                            QRect(4, 222, 80, 26));
    m_command8 = makeButton(QStringLiteral("ﾊﾞｰｼﾞｮﾝ"), QStringLiteral("Command8"), this,
                            QRect(88, 222, 80, 26));
    connect(m_command8, &QPushButton::clicked, this, &frmCtl::Command8_Click);
    connect(m_command4, &QPushButton::clicked, this, &frmCtl::Command4_Click);

    m_grpMTape = new QGroupBox(QStringLiteral("音合使用不可"), this);
    m_grpMTape->setObjectName(QStringLiteral("grpM_Tape"));
    m_grpMTape->setGeometry(180, 204, 142, 46);
    m_cmdTapeSet = makeButton(QStringLiteral("調整"), QStringLiteral("cmdTapeSet"), m_grpMTape,
                              QRect(4, 16, 32, 26));
    m_cmdTapeBack = makeButton(QStringLiteral("戻し"), QStringLiteral("cmdTapeBack"), m_grpMTape,
                               QRect(38, 16, 32, 26));
    m_cmdTapeNext = makeButton(QStringLiteral("送り"), QStringLiteral("cmdTapeNext"), m_grpMTape,
                               QRect(72, 16, 32, 26));
    m_cmdTapeStop = makeButton(QStringLiteral("■"), QStringLiteral("cmdTapeStop"), m_grpMTape,
                               QRect(106, 16, 32, 26));
    connect(m_cmdTapeNext, &QPushButton::clicked, this, &frmCtl::cmdTapeNext_Click);
    connect(m_cmdTapeBack, &QPushButton::clicked, this, &frmCtl::cmdTapeBack_Click);
    connect(m_cmdTapeStop, &QPushButton::clicked, this, [this] {
        if (m_services.TapeStop)
            m_services.TapeStop();
    });
    connect(m_cmdTapeSet, &QPushButton::clicked, this, [this] {
        if (m_services.TapeVoiceDialog)
            m_services.TapeVoiceDialog();
    });
    m_cmdTapeBack->setStyleSheet(green);
    m_cmdTapeNext->setStyleSheet(green);
    for (QPushButton* b : {m_cmdTapeSet, m_cmdTapeBack, m_cmdTapeNext, m_cmdTapeStop})
        b->setEnabled(false);
    m_grpMTape->setEnabled(false);

    m_check4 = new VbCheckBox(QStringLiteral(">>"), this);
    m_check4->setObjectName(QStringLiteral("Check4"));
    m_check4->setToolTip(QStringLiteral("整理券プレビューを開きます"));
    m_check4->setGeometry(326, 224, 30, 24);
    m_check4->setFocusPolicy(Qt::NoFocus);
    // A toggle that looks like a button, as the pane's opener always has.
    m_check4->setStyleSheet(QStringLiteral(
        "QCheckBox { border: 1px solid #7a7a7a; border-radius: 3px; padding: 0 4px; spacing: 0;"
        " background: #f0f0f0; }"
        "QCheckBox:checked { background: #c8c8c8; }"
        "QCheckBox::indicator { width: 0px; height: 0px; }"));
    connect(m_check4, &QCheckBox::stateChanged, this, &frmCtl::Check4_Click);
}

void frmCtl::buildPreviewPane()
{
    m_label4 = makeLabel(QStringLiteral("整理券プレビュー"), this, QRect(366, 4, 200, 16));
    m_label4->setObjectName(QStringLiteral("Label4"));
    m_preview = new QLabel(this);
    m_preview->setObjectName(QStringLiteral("picSeirikenPrev"));
    // The pane's room for the ticket inside its one-pixel sunken frame;
    // plgtool warns of a plugin whose picture is larger.
    m_preview->setGeometry(366, 22, ltm4::kSeiriPreviewPaneWidth + 2,
                           ltm4::kSeiriPreviewPaneHeight + 2);
    m_preview->setFrameShape(QFrame::Panel);
    m_preview->setFrameShadow(QFrame::Sunken);
    m_preview->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_preview->installEventFilter(this);
    m_combo1 = new QComboBox(this);
    m_combo1->setObjectName(QStringLiteral("Combo1"));
    m_combo1->setGeometry(366, 220, 228, 26);
    m_combo1->setFocusPolicy(Qt::ClickFocus);

    m_mnuHide = new QMenu(this);
    m_mnuHide->setObjectName(QStringLiteral("MnuHide"));
    QAction* copy = m_mnuHide->addAction(QStringLiteral("コピー(&C)"));
    copy->setObjectName(QStringLiteral("MnuHideCopy"));
    connect(copy, &QAction::triggered, this, &frmCtl::MnuHideCopy_Click);
}

void frmCtl::Form_Load()
{
    if (m_board)
        m_board->setWindowTitle(QStringLiteral("ルトミア - 型番:") + programBaseName());
    for (size_t i = 0; i < m_key.size(); ++i) {
        m_btnRgn[i] = keyRegion();
        m_key[i]->setMask(m_btnRgn[i]);
    }
    if (m_services.TapeInit)
        m_services.TapeInit();
}

QFrame* frmCtl::Frame1(int index) const
{
    return (index == 0 || index == 1) ? m_frame1[size_t(index)] : nullptr;
}

QPushButton* frmCtl::CommandButton1(int index) const
{
    return (index >= 0 && index <= 11) ? m_key[size_t(index)] : nullptr;
}

QLabel* frmCtl::Label2(int index) const
{
    return (index >= 0 && index <= 2) ? m_label2[size_t(index)] : nullptr;
}

QPushButton* frmCtl::Command1(int index) const
{
    return (index == 0 || index == 1) ? m_command1[size_t(index)] : nullptr;
}

QListWidget* frmCtl::List2(int index) const
{
    return (index >= 0 && index <= 4) ? m_list2[size_t(index)] : nullptr;
}

QListWidget* frmCtl::List3(int index) const
{
    return (index >= 0 && index <= 2) ? m_list3[size_t(index)] : nullptr;
}

QPushButton* frmCtl::Command2(int index) const
{
    return (index == 0 || index == 1) ? m_command2[size_t(index)] : nullptr;
}

QScrollBar* frmCtl::HScroll1(int index) const
{
    return (index == 0 || index == 1) ? m_hscroll1[size_t(index)] : nullptr;
}

QLabel* frmCtl::Label1(int index) const
{
    return (index == 0 || index == 1) ? m_label1[size_t(index)] : nullptr;
}

QRadioButton* frmCtl::Option4(int index) const
{
    return (index >= 0 && index <= 2) ? m_option4[size_t(index)] : nullptr;
}

QString frmCtl::settingText(int soundIndex) const
{
    if (!m_option)
        return {};
    const QLineEdit* box = m_option->txtSelectSound(soundIndex);
    return box ? box->text() : QString();
}

void frmCtl::playOnS1(const QString& path)
{
    if (m_services.SndPlay)
        m_services.SndPlay(path, QStringLiteral("S1"), 0, 0);
}

void frmCtl::CommandButton1_Click(int index)
{
    // Every key sounds, whatever it does afterwards.
    playOnS1(settingText(1));
    if (index == 10) {
        m_isRouteEntry = true;
        m_label2[0]->clear();
        return;
    }
    if (index == 11) {
        m_isRouteEntry = false;
        m_label2[2]->clear();
        return;
    }
    if (index < 0 || index > 9)
        return;
    QLabel* display = m_isRouteEntry ? m_label2[0] : m_label2[2];
    const int limit = m_isRouteEntry ? 5 : 3;
    if (display->text().size() < limit)
        display->setText(display->text() + QString::number(index));
}

void frmCtl::HScroll1_Change(int index)
{
    m_label1[size_t(index)]->setText(QString::number(m_hscroll1[size_t(index)]->value()));
    if (m_board && m_board->ChimeiCtl()) {
        m_board->ChimeiCtl()->setSpeed(qint16(m_hscroll1[0]->value()));
        m_board->ChimeiCtl()->setScrollStartWait(m_hscroll1[1]->value());
    }
}

QString frmCtl::VersionText(const QString& modelName, int year)
{
    const QString crlf = QStringLiteral("\r\n");
    return QStringLiteral("型番：") + modelName + crlf + QStringLiteral("バージョン：") +
           QStringLiteral("%1.%2.%3")
               .arg(RUTOMIA_VERSION_MAJOR)
               .arg(RUTOMIA_VERSION_MINOR)
               .arg(RUTOMIA_VERSION_PATCH) +
           crlf + crlf + QStringLiteral("配布元：ホロテ交通") + crlf +
           QStringLiteral("制作：ルトミア開発チーム　GPL-3.0-or-later　©") + QString::number(year) +
           crlf;
}

void frmCtl::Command8_Click()
{
    if (m_board)
        m_board->setEnabled(false);
    ltm4::Call_dlg110(this, 1, VersionText(programBaseName(), ltm4::Now().date().year()));
    if (m_board)
        m_board->setEnabled(true);
}

void frmCtl::Command4_Click()
{
    if (!m_option)
        return;
    if (m_board)
        m_board->setEnabled(false);
    setEnabled(false);
    m_option->ShowModal();
    setEnabled(true);
    if (m_board) {
        m_board->setEnabled(true);
        // New stop-name settings show on the name at once.
        m_board->ChimeiCtl()->SetChimei(QString());
        if (const StopRecord* rec = m_route.Table.Row(m_route.CurIndex + 1))
            m_board->ChimeiCtl()->SetChimei(rec->StopName);
    }
}

void frmCtl::Frame1_DblClick(int index)
{
    if (index != 0 && index != 1)
        return;
    m_ctrlPanelMode = qint16(index);
    QFrame* back = m_frame1[size_t(index)];
    QFrame* front = m_frame1[size_t(1 - index)];
    // Only the frame in front is usable: the one behind is lowered and hidden
    // so neither the mouse nor the keyboard reaches it.
    back->lower();
    back->hide();
    front->show();
    front->raise();
}

void frmCtl::GetCtrlDataInfo(CtrlDataInfo& info) const
{
    info.CtrlLeft = ltm4::PixelsToTwips(pos().x());
    info.CtrlTop = ltm4::PixelsToTwips(pos().y());
    info.ScrollSpeed = m_hscroll1[0]->value();
    info.ScrollInterval = m_hscroll1[1]->value();
    info.CtrlPanelMode = m_ctrlPanelMode;
    info.PreviewOpen = m_check4->Value();
    info.LateNight = m_check2->Value();
}

void frmCtl::SetCtrlDataInfo(const CtrlDataInfo& info)
{
    move(ltm4::TwipsToPixels(info.CtrlLeft), ltm4::TwipsToPixels(info.CtrlTop));
    // A damaged file's value outside a slider's range is brought into it.
    m_hscroll1[0]->setValue(int(info.ScrollSpeed));
    m_hscroll1[1]->setValue(int(info.ScrollInterval));
    m_ctrlPanelMode = info.CtrlPanelMode;
    m_check4->setValue(info.PreviewOpen);
    m_check2->setValue(info.LateNight);
    Frame1_DblClick(m_ctrlPanelMode);
}

bool frmCtl::eventFilter(QObject* watched, QEvent* e)
{
    if (e->type() == QEvent::KeyPress)
        return KeyPressed(watched, *static_cast<QKeyEvent*>(e));
    if (e->type() == QEvent::MouseButtonDblClick) {
        for (int i = 0; i < 2; ++i)
            if (watched == m_frame1[size_t(i)]) {
                Frame1_DblClick(i);
                return true;
            }
    }
    if (watched == m_preview && e->type() == QEvent::MouseButtonPress) {
        auto* me = static_cast<QMouseEvent*>(e);
        if (me->button() == Qt::RightButton) {
            m_mnuHide->popup(me->globalPosition().toPoint());
            return true;
        }
    }
    return QWidget::eventFilter(watched, e);
}

void frmCtl::closeEvent(QCloseEvent* e)
{
    const int answer =
        ltm4::MsgBox(this, QStringLiteral("ルトミアを終了しますか？"),
                     ltm4::vbYesNo + ltm4::vbQuestion, QStringLiteral("ルトミアの終了確認"));
    if (answer != ltm4::vbYes) {
        e->ignore();
        return;
    }
    e->accept();
    shutdown();
}

void frmCtl::shutdown()
{
    m_closing = true;
    if (m_board) {
        if (m_board->ChimeiCtl())
            m_board->ChimeiCtl()->SetChimei(QString());
        m_board->DeleteRgn();
    }
    for (QRegion& r : m_btnRgn)
        r = QRegion();
    if (m_services.SndCloseAll)
        m_services.SndCloseAll();
    if (m_services.TapeRelease)
        m_services.TapeRelease();
    if (m_services.SaveIni)
        m_services.SaveIni();
    if (m_services.Quit)
        m_services.Quit();
}
