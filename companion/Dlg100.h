// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The digit settings dialog: how a digit control shows zero, how many blank
// cells it keeps on the right and how many digits it pads with zeros.

#include "companion/LTM4Res.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QSpinBox;

namespace ltm4 {

class Dlg100 final : public QDialog {
    Q_OBJECT

public:
    // Incoming values outside the controls' ranges are brought into them, so
    // the dialog always shows something the control can display.
    Dlg100(QWidget* owner, qint16 keta, qint16 zeroMode, qint16 shift, qint16 fillZero,
           DigitPreview preview = {});

    qint16 zeroMode() const;
    qint16 shift() const;
    qint16 fillZero() const;

private:
    void updatePreview();

    DigitPreview m_preview;
    QComboBox* m_zeroMode = nullptr;
    QSpinBox* m_shift = nullptr;
    QSpinBox* m_fillZero = nullptr;
    QLabel* m_previewLabel = nullptr;
};

} // namespace ltm4
