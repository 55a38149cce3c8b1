// SPDX-License-Identifier: GPL-3.0-or-later
#include "options/frmOption.h"

#include "board/ChimeiCtl_A.h"
#include "board/Form1.h"
#include "board/M_Degit.h"
#include "board/mdl517_000.h"
#include "companion/ModalSeam.h"
#include "companion/MsgBox.h"
#include "companion/SysClock.h"
#include "options/BacklightHost.h"
#include "options/ColorButton.h"
#include "options/OptionPageChimei.h"
#include "options/OptionPageDataDirs.h"
#include "options/OptionPageDegit.h"
#include "options/OptionPagePanel.h"
#include "options/OptionPageSeiriPrev.h"
#include "options/OptionPageSound.h"
#include "options/OptionWidgets.h"
#include "options/PlgInfoLines.h"
#include "options/SeiriPrevHost.h"
#include "options/SelectorButton.h"
#include "options/VbCheckBox.h"
#include "options/VbComboBox.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

using optui::At;
using optui::Named;

namespace {

const char16_t* const kSelectorCaptions[] = {
    u"運賃データと\u3000放送用データ",
    u"パネルと整理券番号表示",
    u"デジタル部品と情報用数字",
    u"停名の設定",
    u"サウンド",
    u"\u3000\u3000整理券\u3000\u3000\u3000プレビュー",
};

struct NumberingItem {
    const char16_t* pattern;
    int last; // the highest number the panel shows in this style
};

// Index k is numbering style k of the ticket-number panel.
constexpr NumberingItem kNumberingItems[] = {
    {u"1,2,3...", 50},           {u"0,1,2...", 49},           {u"「なし」、1,2...", 49},
    {u"「なし」、2,3...", 50},   {u"「無券」、1,2...", 49},   {u"「無券」、2,3...", 50},
    {u"「券なし」、1,2...", 49}, {u"「券なし」、2,3...", 50}, {u"「券無し」、1,2...", 49},
    {u"「券無し」、2,3...", 50}, {u"(無地)、1,2...", 49},     {u"(無地)、2,3...", 50},
};

void fillNumbers(VbComboBox* list, int last)
{
    QStringList items;
    items.reserve(last);
    for (int n = 1; n <= last; ++n)
        items << QString::number(n);
    list->addItems(items);
    list->setListIndex(0);
}

void applyDigitColours(M_Degit* digit, quint32 back, quint32 base, quint32 lit)
{
    if (!digit)
        return;
    digit->setBackColor(back);
    digit->setBaseForeColor(base);
    digit->setDegitForeColor(lit);
}

} // namespace

frmOption::frmOption(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("frmOption"));
    setWindowTitle(QStringLiteral("オプション"));

    auto* grid = new QGridLayout(this);
    grid->setSizeConstraint(QLayout::SetFixedSize);

    auto* selectorColumn = new QVBoxLayout;
    m_selectors = new QButtonGroup(this);
    for (int i = 0; i < 6; ++i) {
        auto* b =
            Named(new SelectorButton(QString::fromUtf16(kSelectorCaptions[i]), this), "Option1", i);
        b->setCheckable(true);
        b->setAutoDefault(false);
        b->setMinimumHeight(48);
        m_selectors->addButton(b, i);
        selectorColumn->addWidget(b);
        m_option1[std::size_t(i)] = b;
    }
    selectorColumn->addStretch(1);
    grid->addLayout(selectorColumn, 0, 0);

    m_p0 = new OptionPageDataDirs(this);
    m_p1 = new OptionPagePanel(this);
    m_p2 = new OptionPageDegit(this);
    m_p3 = new OptionPageChimei(this);
    m_p4 = new OptionPageSound(this);
    m_p5 = new OptionPageSeiriPrev(this);
    m_pages = {m_p0, m_p1, m_p2, m_p3, m_p4, m_p5};
    m_stack = new QStackedWidget(this);
    for (int i = 0; i < 6; ++i)
        m_stack->addWidget(Named(m_pages[std::size_t(i)], "Frame1", i));
    grid->addWidget(m_stack, 0, 1);

    m_command4 = Named(new QPushButton(QStringLiteral("OK"), this), "Command4");
    m_command4->setMinimumWidth(100);
    grid->addWidget(m_command4, 1, 1, Qt::AlignRight);

    connect(m_selectors, &QButtonGroup::idClicked, this, &frmOption::Option1_Click);
    m_option1[0]->setChecked(true);
    Option1_Click(0);
    ConnectCommands();

    // Enter in a text box means OK, never one of the choosers.
    for (QPushButton* b : findChildren<QPushButton*>())
        b->setAutoDefault(false);
    m_command4->setDefault(true);
    // Text boxes hold whatever a settings text can hold.
    for (QLineEdit* box : findChildren<QLineEdit*>())
        box->setMaxLength(kMaxSettingsText);

    Form_Load();
}

frmOption::~frmOption() = default;

void frmOption::Form_Load()
{
    M_Degit* sample = m_p2->M_Degit1;
    sample->setDegitSize(0);
    sample->setValue(DegitValue(123));
    // The control sizes itself to its cells; the layout has to keep that size.
    sample->setFixedSize(sample->size());
    for (int i = 0; i < 4; ++i)
        fillNumbers(Combo4(i), 50);
    fillNumbers(Combo1(), 150);
    fillNumbers(Combo4(4), 150);
    AddComboItem();
    Label10()->setText(ltm4::Now().date().toString(QStringLiteral("yyyy/MM/dd")));
}

void frmOption::AddComboItem()
{
    VbComboBox* list = Combo2();
    for (std::size_t k = 0; k < std::size(kNumberingItems); ++k) {
        QString text = QString::fromUtf16(kNumberingItems[k].pattern) +
                       QString::number(kNumberingItems[k].last);
        if (k == 0)
            text += QStringLiteral(" （既定の表示）");
        list->addItem(text);
    }
    list->setListIndex(0);
}

void frmOption::setLinks(Form1* board, BacklightHost* panel)
{
    m_board = board;
    m_panel = panel;
}

int frmOption::ShowModal()
{
    return ltm4::ExecModal(*this);
}

void frmOption::Option1_Click(int index)
{
    if (QGroupBox* page = Frame1(index))
        m_stack->setCurrentWidget(page);
}

int frmOption::SelectedBacklight() const
{
    const int selected = m_panel ? m_panel->SelectedBacklight() : 0;
    return (selected == 0 || selected == 1) ? selected : 2;
}

void frmOption::SetProp()
{
    if (m_board) {
        const bool numbersShown = Check1()->Value() != 0;
        for (int k = 1; k <= Form1::kCells; ++k) {
            if (QLabel* label = m_board->lblSeiriNum(k))
                label->setVisible(numbersShown);
        }
        mdl517_000::SeirikenNumSet(*m_board, qint16(Combo2()->ListIndex()), Check2()->Value());
        if (m_panel)
            m_board->SetSeiriNumColor(Command5(SelectedBacklight())->BackColor());
        const quint32 back = Command8(0)->BackColor();
        const quint32 base = Command8(1)->BackColor();
        const quint32 lit = Command8(2)->BackColor();
        for (int k = 1; k <= Form1::kCells; ++k)
            applyDigitColours(m_board->Degit(k), back, base, lit);
        for (int i = 0; i < 2; ++i)
            applyDigitColours(m_board->TimeDegit(i), back, base, lit);
        if (ChimeiCtl_A* chimei = m_board->ChimeiCtl()) {
            chimei->setBackColor(Command9(0)->BackColor());
            chimei->setForeColor(Command9(1)->BackColor());
            chimei->setFontMode(qint16(Combo3()->ListIndex()));
            chimei->setFontBold(Check4()->Value() == 1);
        }
    }
    if (m_panel)
        m_panel->Option4_Click(SelectedBacklight());
}

void frmOption::Command4_Click()
{
    if (!ConfirmStorableTexts())
        return;
    SetProp();
    // Hidden, never destroyed: the controls hold the settings.
    accept();
}

QList<frmOption::StoredText> frmOption::StoredTexts() const
{
    // Named as the dialog labels them, with the page (and sound sub-page) that shows them.
    const auto caption = [](const QString& label) {
        QString c = label;
        if (c.endsWith(u'：'))
            c.chop(1);
        return c;
    };
    QList<StoredText> texts;
    for (int i = 0; i < 2; ++i)
        texts.append({Text2(i), caption(Label3(i)->text()), 0, -1});
    for (int i = 0; i < 3; ++i)
        texts.append({txtSelectPanel(i), caption(Frame6(i)->title()), 1, -1});
    for (int i = 0; i < 2; ++i)
        texts.append({txtSelectSound(i), caption(Label1(i)->text()), 4, -1});
    const QString step = Frame2(1)->title();
    const QString pre = QStringLiteral("放送前のサウンド");
    texts.append({txtSelectSound(7), step + QStringLiteral("（常に鳴らすサウンド）"), 4, 1});
    for (int j = 1; j <= 3; ++j)
        texts.append({txtSelectSound(7 + j),
                      step + QStringLiteral("（") + Label1(2 + j)->text() + QStringLiteral("）"), 4,
                      1});
    texts.append({txtSelectSound(3), pre + QStringLiteral("（常に鳴らすサウンド）"), 4, 0});
    for (int j = 1; j <= 3; ++j)
        texts.append({txtSelectSound(3 + j),
                      pre + QStringLiteral("（") + Label1(8 + j)->text() + QStringLiteral("）"), 4,
                      0});
    texts.append({txtSeiriPlgDir(), QStringLiteral("整理券プラグイン"), 5, -1});
    return texts;
}

bool frmOption::ConfirmStorableTexts()
{
    for (const StoredText& t : StoredTexts()) {
        const QString text = t.box->text();
        const QString back = ltm4::Cp932RoundTrip(text);
        if (back == text)
            continue;
        const int answer = ltm4::MsgBox(
            this,
            QStringLiteral("「%1」には、設定ファイルにそのままでは保存できない文字が"
                           "含まれています。\r\n次に起動したときは次のように読み込まれます：\r\n"
                           "%2\r\n\r\n直しますか？（「いいえ」でこのまま閉じます）")
                .arg(t.label, back),
            ltm4::vbYesNo + ltm4::vbExclamation);
        if (answer != ltm4::vbYes)
            return true;
        Option1(t.page)->click();
        if (t.soundPage >= 0)
            Option5(t.soundPage)->click();
        if (t.box->isReadOnly()) {
            // The plugin path is chosen, not typed: the user mends it with "...".
            Command1()->setFocus();
        } else {
            t.box->setFocus();
            t.box->selectAll();
        }
        return false;
    }
    return true;
}

qint32 frmOption::SetPlgin(const QString& fileName, QString* refusal)
{
    if (fileName.isEmpty())
        return 0;
    ltm4::PlgInfo info;
    // A refused file leaves the list and the notes showing what they did.
    if (ltm4::LT4_GetPlgInfo(fileName, info, refusal) == 0)
        return 0;
    ltm4::LT4_SetPlgComment(fileName, txtPlginComment());
    List1()->clear();
    List1()->addItems(PlgInfoLines(info));
    if (m_seiriHost) {
        m_seiriHost->SetPreviewSize(info.PrevWidth, info.PrevHeight);
        if (info.CorpSwitch >= 1)
            ltm4::LT4_SetCorpAddList(fileName, m_seiriHost->CompanyList());
    }
    return 1;
}

void frmOption::ClearPlginDescription()
{
    List1()->clear();
    txtPlginComment()->clear();
    if (m_seiriHost && m_seiriHost->CompanyList())
        m_seiriHost->CompanyList()->clear();
}

// --- controls -----------------------------------------------------------------

QPushButton* frmOption::Option1(int index) const
{
    return At(m_option1, index);
}
QGroupBox* frmOption::Frame1(int index) const
{
    return At(m_pages, index);
}

QLabel* frmOption::Label3(int index) const
{
    return At(m_p0->Label3, index);
}
QLineEdit* frmOption::Text2(int index) const
{
    return At(m_p0->Text2, index);
}
QPushButton* frmOption::Command3(int index) const
{
    return At(m_p0->Command3, index);
}
QPushButton* frmOption::Command10(int index) const
{
    return At(m_p0->Command10, index);
}

VbCheckBox* frmOption::Check1() const
{
    return m_p1->Check1;
}
QGroupBox* frmOption::Frame4() const
{
    return m_p1->Frame4;
}
VbOptionButton* frmOption::Option3(int index) const
{
    return At(m_p1->Option3, index);
}
QGroupBox* frmOption::Frame6(int index) const
{
    return At(m_p1->Frame6, index);
}
QLineEdit* frmOption::txtSelectPanel(int index) const
{
    return At(m_p1->txtSelectPanel, index);
}
QPushButton* frmOption::Command6(int index) const
{
    return At(m_p1->Command6, index);
}
QFrame* frmOption::Frame3() const
{
    return m_p1->Frame3;
}
QLabel* frmOption::Label4(int index) const
{
    return At(m_p1->Label4, index);
}
VbComboBox* frmOption::Combo2() const
{
    return m_p1->Combo2;
}
VbCheckBox* frmOption::Check2() const
{
    return m_p1->Check2;
}
ColorButton* frmOption::Command5(int index) const
{
    return At(m_p1->Command5, index);
}
QLabel* frmOption::Label15() const
{
    return m_p1->Label15;
}
QLabel* frmOption::Label5(int index) const
{
    return At(m_p1->Label5, index);
}

QGroupBox* frmOption::Frame5(int index) const
{
    return At(m_p2->Frame5, index);
}
QLabel* frmOption::Label6(int index) const
{
    return At(m_p2->Label6, index);
}
ColorButton* frmOption::Command8(int index) const
{
    return At(m_p2->Command8, index);
}
M_Degit* frmOption::M_Degit1() const
{
    return m_p2->M_Degit1;
}
VbCheckBox* frmOption::Check3(int index) const
{
    return At(m_p2->Check3, index);
}
VbComboBox* frmOption::Combo4(int index) const
{
    return At(m_p2->Combo4, index);
}
QLabel* frmOption::Label7() const
{
    return m_p2->Label7;
}

QLabel* frmOption::Label9() const
{
    return m_p3->Label9;
}
VbComboBox* frmOption::Combo3() const
{
    return m_p3->Combo3;
}
VbCheckBox* frmOption::Check4() const
{
    return m_p3->Check4;
}
QLabel* frmOption::Label8(int index) const
{
    return At(m_p3->Label8, index);
}
ColorButton* frmOption::Command9(int index) const
{
    return At(m_p3->Command9, index);
}

QLabel* frmOption::Label1(int index) const
{
    return At(m_p4->Label1, index);
}
QLineEdit* frmOption::txtSelectSound(int index) const
{
    return At(m_p4->txtSelectSound, index);
}
QPushButton* frmOption::cmdSelectSound(int index) const
{
    return At(m_p4->cmdSelectSound, index);
}
QPushButton* frmOption::Option5(int index) const
{
    return At(m_p4->Option5, index);
}
QGroupBox* frmOption::Frame2(int index) const
{
    return At(m_p4->Frame2, index);
}
QStackedWidget* frmOption::Frame2Stack() const
{
    return m_p4->Frame2Stack;
}
QGroupBox* frmOption::Frame8() const
{
    return m_p4->Frame8;
}
QGroupBox* frmOption::Frame9() const
{
    return m_p4->Frame9;
}
VbOptionButton* frmOption::Option6(int index) const
{
    return At(m_p4->Option6, index);
}
VbOptionButton* frmOption::Option2(int index) const
{
    return At(m_p4->Option2, index);
}
VbComboBox* frmOption::Combo1() const
{
    return m_p4->Combo1;
}
VbOptionButton* frmOption::Option7(int index) const
{
    return At(m_p4->Option7, index);
}

VbCheckBox* frmOption::chkUseSeiriPrev() const
{
    return m_p5->chkUseSeiriPrev;
}
QGroupBox* frmOption::Frame10() const
{
    return m_p5->Frame10;
}
QLabel* frmOption::Label2() const
{
    return m_p5->Label2;
}
QLineEdit* frmOption::txtSeiriPlgDir() const
{
    return m_p5->txtSeiriPlgDir;
}
QPushButton* frmOption::Command1() const
{
    return m_p5->Command1;
}
QPushButton* frmOption::Command11() const
{
    return m_p5->Command11;
}
QLabel* frmOption::Label11() const
{
    return m_p5->Label11;
}
QListWidget* frmOption::List1() const
{
    return m_p5->List1;
}
QLabel* frmOption::Label13() const
{
    return m_p5->Label13;
}
QPlainTextEdit* frmOption::txtPlginComment() const
{
    return m_p5->txtPlginComment;
}
QGroupBox* frmOption::Frame7() const
{
    return m_p5->Frame7;
}
VbOptionButton* frmOption::Option4(int index) const
{
    return At(m_p5->Option4, index);
}
QLabel* frmOption::Label14() const
{
    return m_p5->Label14;
}
QLabel* frmOption::Label10() const
{
    return m_p5->Label10;
}
QPushButton* frmOption::Command7() const
{
    return m_p5->Command7;
}
