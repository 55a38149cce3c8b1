// SPDX-License-Identifier: GPL-3.0-or-later
#include "companion/Dlg100.h"

#include "companion/ModalSeam.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPixmap>
#include <QSpinBox>
#include <QVBoxLayout>

#include <iterator>
#include <utility>

namespace ltm4 {

namespace {

// Descriptions of the four zero modes, in mode order.
const char* const kZeroModeTexts[] = {
    "ゼロと空欄は表示しない",
    "ゼロと空欄を「0」と表示する",
    "ゼロは表示しない（−1 を「0」と表示する）",
    "−1・ゼロ・空欄を「0」と表示する",
};

constexpr int kZeroModeCount = int(std::size(kZeroModeTexts));

} // namespace

Dlg100::Dlg100(QWidget* owner, qint16 keta, qint16 zeroMode, qint16 shift, qint16 fillZero,
               DigitPreview preview)
    : QDialog(owner), m_preview(std::move(preview))
{
    setObjectName(QStringLiteral("dlg100"));
    setWindowTitle(QStringLiteral("数字表示の設定"));

    // A control always has at least one cell; guard the ranges against a
    // nonsensical count rather than build an empty range.
    const int cells = qMax<int>(keta, 1);

    m_zeroMode = new QComboBox(this);
    m_zeroMode->setObjectName(QStringLiteral("cboZeroMode"));
    for (int mode = 0; mode < kZeroModeCount; ++mode)
        m_zeroMode->addItem(QString::fromUtf8(kZeroModeTexts[mode]), mode);
    // The control itself treats a mode it does not know as mode 0.
    m_zeroMode->setCurrentIndex(zeroMode >= 0 && zeroMode < kZeroModeCount ? zeroMode : 0);

    m_shift = new QSpinBox(this);
    m_shift->setObjectName(QStringLiteral("spnShift"));
    m_shift->setRange(0, cells - 1);
    m_shift->setSuffix(QStringLiteral(" 桁"));
    m_shift->setValue(shift); // a spin box keeps its value within range

    m_fillZero = new QSpinBox(this);
    m_fillZero->setObjectName(QStringLiteral("spnFillZero"));
    m_fillZero->setRange(0, cells);
    m_fillZero->setSuffix(QStringLiteral(" 桁"));
    m_fillZero->setSpecialValueText(QStringLiteral("なし"));
    m_fillZero->setValue(fillZero);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("ゼロの表示(&Z):"), m_zeroMode);
    form->addRow(QStringLiteral("右側の空け桁(&S):"), m_shift);
    form->addRow(QStringLiteral("ゼロ埋めの桁数(&F):"), m_fillZero);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);

    if (m_preview) {
        auto* group = new QGroupBox(QStringLiteral("表示例"), this);
        group->setObjectName(QStringLiteral("grpPreview"));
        m_previewLabel = new QLabel(group);
        m_previewLabel->setObjectName(QStringLiteral("lblPreview"));
        m_previewLabel->setAlignment(Qt::AlignCenter);
        auto* groupLayout = new QVBoxLayout(group);
        groupLayout->addWidget(m_previewLabel);
        layout->addWidget(group);

        connect(m_zeroMode, &QComboBox::currentIndexChanged, this, &Dlg100::updatePreview);
        connect(m_shift, &QSpinBox::valueChanged, this, &Dlg100::updatePreview);
        connect(m_fillZero, &QSpinBox::valueChanged, this, &Dlg100::updatePreview);
        updatePreview();
    }

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("buttonBox"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

qint16 Dlg100::zeroMode() const
{
    return qint16(m_zeroMode->currentData().toInt());
}

qint16 Dlg100::shift() const
{
    return qint16(m_shift->value());
}

qint16 Dlg100::fillZero() const
{
    return qint16(m_fillZero->value());
}

void Dlg100::updatePreview()
{
    const QImage image = m_preview(zeroMode(), shift(), fillZero());
    m_previewLabel->setPixmap(QPixmap::fromImage(image));
}

qint32 Call_dlg100(QWidget* owner, qint16 keta, qint16& zeroMode, qint16& shift, qint16& fillZero,
                   const DigitPreview& preview)
{
    Dlg100 dlg(owner, keta, zeroMode, shift, fillZero, preview);
    if (ExecModal(dlg) != QDialog::Accepted)
        return 0;
    zeroMode = dlg.zeroMode();
    shift = dlg.shift();
    fillZero = dlg.fillZero();
    return 1;
}

} // namespace ltm4
