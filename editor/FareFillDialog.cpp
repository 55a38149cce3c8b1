// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/FareFillDialog.h"

#include "editor/EditorRules.h"
#include "route/SheetText.h"

#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include <cmath>
#include <functional>

namespace {

constexpr int kMaxZones = 60;
constexpr int kMaxFare = 32767;

QTableWidget* NewTable(QWidget* parent, const QString& name)
{
    auto* t = new QTableWidget(parent);
    t->setObjectName(name);
    t->setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::EditKeyPressed |
                       QAbstractItemView::DoubleClicked);
    t->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    t->verticalHeader()->setDefaultSectionSize(t->fontMetrics().height() + 6);
    return t;
}

QTableWidgetItem* ReadOnlyItem(const QString& text)
{
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    return item;
}

// The stops, one a row, with one editable column beside their names.
void FillStopRows(QTableWidget* t, const RouteDocument& doc, const QString& column,
                  const std::function<QString(int)>& value)
{
    t->setColumnCount(2);
    t->setHorizontalHeaderLabels({QStringLiteral("停留所"), column});
    t->setRowCount(doc.stopCount());
    for (int r = 0; r < doc.stopCount(); ++r) {
        t->setItem(r, 0, ReadOnlyItem(doc.stop(r).StopName));
        t->setItem(r, 1, new QTableWidgetItem(value(r)));
    }
    t->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
}

QString CellText(const QTableWidget* t, int row, int column)
{
    const QTableWidgetItem* item = t->item(row, column);
    return item ? item->text() : QString();
}

// Enter in a cell reaches the dialog's default button before the cell's
// queued commit: what is being typed is taken first.
void CommitOpenEditor(QTableWidget* t)
{
    const QModelIndex i = t->currentIndex();
    if (QWidget* editor = i.isValid() ? t->indexWidget(i) : nullptr)
        t->itemDelegateForIndex(i)->setModelData(editor, t->model(), i);
}

QString KmText(double km)
{
    return QString::number(km, 'f', 3).remove(QRegularExpression(QStringLiteral("\\.?0+$")));
}

} // namespace

FareFillDialog::FareFillDialog(const RouteDocument& doc, Kind kind, const Inputs& inputs,
                               QWidget* parent)
    : QDialog(parent), m_doc(doc), m_inputs(inputs)
{
    setObjectName(QStringLiteral("fareFillDialog"));
    setWindowTitle(QStringLiteral("運賃の一括入力"));
    const int stops = doc.stopCount();
    m_inputs.zoneOfStop.resize(stops, 1);
    m_inputs.kmOfStop.resize(stops, 0.0);
    if (m_inputs.zoneFares.isEmpty())
        m_inputs.zoneFares = {{0}};

    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("fillKinds"));
    m_tabs->addTab(flatPage(), QStringLiteral("均一運賃(&F)"));
    m_tabs->addTab(zonePage(), QStringLiteral("ゾーン運賃(&Z)"));
    m_tabs->addTab(distancePage(), QStringLiteral("距離運賃(&D)"));
    m_tabs->setCurrentIndex(kind);

    auto* note =
        new QLabel(QStringLiteral("すべての停留所の運賃を置き換えます (元に戻すことができます)。"
                                  "その停留所までに出ていない整理券の欄 (灰色) は"
                                  "そのままです。"),
                   this);
    note->setWordWrap(true);
    m_error = new QLabel(this);
    m_error->setObjectName(QStringLiteral("fillError"));
    m_error->setWordWrap(true);
    m_error->setStyleSheet(QStringLiteral("color: #b00000"));
    m_error->hide();

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("埋める"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);
    layout->addWidget(note);
    layout->addWidget(m_error);
    layout->addWidget(buttons);
    resize(560, 520);
}

QWidget* FareFillDialog::flatPage()
{
    auto* page = new QWidget(this);
    m_flatFare = new QSpinBox(page);
    m_flatFare->setObjectName(QStringLiteral("flatFare"));
    m_flatFare->setRange(-1, kMaxFare);
    m_flatFare->setSuffix(QStringLiteral(" 円"));
    m_flatFare->setValue(m_inputs.flatFare);
    auto* form = new QFormLayout(page);
    form->addRow(QStringLiteral("運賃(&A):"), m_flatFare);
    auto* hint =
        new QLabel(QStringLiteral("-1 は表示用の符号です (運賃ではなく 0 と表示されます)。"), page);
    hint->setWordWrap(true);
    form->addRow(hint);
    return page;
}

QWidget* FareFillDialog::zonePage()
{
    auto* page = new QWidget(this);
    m_zoneCount = new QSpinBox(page);
    m_zoneCount->setObjectName(QStringLiteral("zoneCount"));
    m_zoneCount->setRange(1, kMaxZones);
    m_zoneStops = NewTable(page, QStringLiteral("zoneStops"));
    FillStopRows(m_zoneStops, m_doc, QStringLiteral("ゾーン"),
                 [this](int r) { return QString::number(m_inputs.zoneOfStop[r]); });
    m_zoneFares = NewTable(page, QStringLiteral("zoneFares"));
    m_zoneFares->horizontalHeader()->setDefaultSectionSize(64);
    const int zones = int(qBound(qsizetype(1), m_inputs.zoneFares.size(), qsizetype(kMaxZones)));
    setZoneCount(zones);
    m_zoneCount->setValue(zones);
    connect(m_zoneCount, &QSpinBox::valueChanged, this, &FareFillDialog::setZoneCount);

    auto* layout = new QFormLayout(page);
    layout->addRow(QStringLiteral("ゾーンの数(&N):"), m_zoneCount);
    layout->addRow(QStringLiteral("停留所のゾーン(&S):"), m_zoneStops);
    layout->addRow(QStringLiteral("運賃 (行: 乗車ゾーン、列: 降車ゾーン)(&T):"), m_zoneFares);
    return page;
}

void FareFillDialog::setZoneCount(int zones)
{
    const int before = m_zoneFares->rowCount();
    m_zoneFares->setRowCount(zones);
    m_zoneFares->setColumnCount(zones);
    QStringList labels;
    for (int z = 1; z <= zones; ++z)
        labels << QStringLiteral("ゾーン%1").arg(z);
    m_zoneFares->setHorizontalHeaderLabels(labels);
    m_zoneFares->setVerticalHeaderLabels(labels);
    for (int a = 0; a < zones; ++a) {
        for (int b = 0; b < zones; ++b) {
            if (m_zoneFares->item(a, b))
                continue;
            // First shown: what was given last time; added later: empty cells read as 0.
            const bool known =
                before == 0 && a < m_inputs.zoneFares.size() && b < m_inputs.zoneFares[a].size();
            m_zoneFares->setItem(
                a, b, new QTableWidgetItem(QString::number(known ? m_inputs.zoneFares[a][b] : 0)));
        }
    }
}

QWidget* FareFillDialog::distancePage()
{
    auto* page = new QWidget(this);
    m_baseFare = new QSpinBox(page);
    m_baseFare->setObjectName(QStringLiteral("baseFare"));
    m_baseFare->setRange(0, kMaxFare);
    m_baseFare->setSuffix(QStringLiteral(" 円"));
    m_baseFare->setValue(m_inputs.rule.baseFare);
    m_baseKm = new QDoubleSpinBox(page);
    m_baseKm->setObjectName(QStringLiteral("baseKm"));
    m_baseKm->setRange(0, 1000);
    m_baseKm->setDecimals(3);
    m_baseKm->setSuffix(QStringLiteral(" km"));
    m_baseKm->setValue(m_inputs.rule.baseKm);
    m_stepFare = new QSpinBox(page);
    m_stepFare->setObjectName(QStringLiteral("stepFare"));
    m_stepFare->setRange(0, kMaxFare);
    m_stepFare->setSuffix(QStringLiteral(" 円"));
    m_stepFare->setValue(m_inputs.rule.stepFare);
    m_stepKm = new QDoubleSpinBox(page);
    m_stepKm->setObjectName(QStringLiteral("stepKm"));
    m_stepKm->setRange(0.001, 1000);
    m_stepKm->setDecimals(3);
    m_stepKm->setSuffix(QStringLiteral(" km"));
    m_stepKm->setValue(m_inputs.rule.stepKm);
    m_kmStops = NewTable(page, QStringLiteral("kmStops"));
    FillStopRows(m_kmStops, m_doc, QStringLiteral("キロ程 (km)"),
                 [this](int r) { return KmText(m_inputs.kmOfStop[r]); });

    auto* layout = new QFormLayout(page);
    layout->addRow(QStringLiteral("初乗り運賃(&B):"), m_baseFare);
    layout->addRow(QStringLiteral("初乗り距離(&K):"), m_baseKm);
    layout->addRow(QStringLiteral("加算運賃(&P):"), m_stepFare);
    layout->addRow(QStringLiteral("加算距離 (この距離ごと)(&E):"), m_stepKm);
    auto* hint = new QLabel(QStringLiteral("運賃は10円単位に切り上げます。"), page);
    layout->addRow(hint);
    layout->addRow(QStringLiteral("停留所のキロ程(&S):"), m_kmStops);
    return page;
}

FareFillDialog::Kind FareFillDialog::kind() const
{
    return Kind(m_tabs->currentIndex());
}

bool FareFillDialog::read()
{
    for (QTableWidget* t : {m_zoneStops, m_zoneFares, m_kmStops})
        CommitOpenEditor(t);
    const QList<RouteStop>& stops = m_doc.data().stops;
    FareFill check;
    auto refuse = [this](const QString& why) {
        m_error->setText(why);
        m_error->show();
        return false;
    };
    switch (kind()) {
    case Flat:
        m_inputs.flatFare = m_flatFare->value();
        check = FillFlat(stops, m_inputs.flatFare);
        break;
    case Zones: {
        QList<int> zoneOf;
        for (int r = 0; r < m_zoneStops->rowCount(); ++r) {
            const QString text = CellText(m_zoneStops, r, 1);
            const std::optional<double> z = NumberFromText(text);
            if (!z || *z != std::floor(*z) || std::abs(*z) > kMaxZones)
                return refuse(QStringLiteral("%1番目の停留所のゾーン「%2」が整数ではありません")
                                  .arg(r + 1)
                                  .arg(text));
            zoneOf << int(*z);
        }
        QList<QList<int>> fares;
        for (int a = 0; a < m_zoneFares->rowCount(); ++a) {
            QList<int> row;
            for (int b = 0; b < m_zoneFares->columnCount(); ++b) {
                const QString text = CellText(m_zoneFares, a, b);
                const std::optional<qint16> v =
                    text.trimmed().isEmpty() ? qint16(0) : SheetNumber(text);
                if (!v)
                    return refuse(
                        QStringLiteral("ゾーン%1からゾーン%2の運賃「%3」が数ではありません")
                            .arg(a + 1)
                            .arg(b + 1)
                            .arg(text));
                row << *v;
            }
            fares << row;
        }
        m_inputs.zoneOfStop = zoneOf;
        m_inputs.zoneFares = fares;
        check = FillZones(stops, zoneOf, fares);
        break;
    }
    case Distance: {
        QList<double> km;
        for (int r = 0; r < m_kmStops->rowCount(); ++r) {
            const QString text = CellText(m_kmStops, r, 1);
            const std::optional<double> v = NumberFromText(text);
            if (!v)
                return refuse(QStringLiteral("%1番目の停留所のキロ程「%2」が数ではありません")
                                  .arg(r + 1)
                                  .arg(text));
            km << *v;
        }
        m_inputs.kmOfStop = km;
        m_inputs.rule = DistanceRule{m_baseFare->value(), m_baseKm->value(), m_stepFare->value(),
                                     m_stepKm->value()};
        check = FillDistance(stops, km, m_inputs.rule);
        break;
    }
    }
    if (!check.ok)
        return refuse(check.error);
    m_error->hide();
    return true;
}

void FareFillDialog::accept()
{
    if (read())
        QDialog::accept();
}
