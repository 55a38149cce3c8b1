// SPDX-License-Identifier: GPL-3.0-or-later
#include "companion/LTM4Res.h"

#include "companion/ColorRef.h"
#include "companion/ModalSeam.h"

#include <QColorDialog>

namespace ltm4 {

namespace {
// The table has one entry more than the dialog's custom-colour wells; the
// last one is only carried along with the settings.
constexpr int kCustomWells = 16;
static_assert(kCustomWells < int(std::tuple_size_v<CustColorTable>));
} // namespace

qint32 Lt3ChooseColor(QWidget* owner, quint32& color, CustColorTable& custColors)
{
    // Qt keeps custom colours application-wide and the dialog's wells read
    // them when built, so load the table first.
    for (int i = 0; i < kCustomWells; ++i)
        QColorDialog::setCustomColor(i, FromColorRef(custColors[size_t(i)]));

    QColorDialog dlg(owner);
    dlg.setObjectName(QStringLiteral("lt3ChooseColor"));
    dlg.setOption(QColorDialog::DontUseNativeDialog);
    dlg.setCurrentColor(FromColorRef(color));

    const int result = ExecModal(dlg);

    // The wells may have been edited even when the choice was cancelled.
    for (int i = 0; i < kCustomWells; ++i)
        custColors[size_t(i)] = ToColorRef(QColorDialog::customColor(i));

    if (result != QDialog::Accepted)
        return 0;
    color = ToColorRef(dlg.currentColor());
    return 1;
}

} // namespace ltm4
