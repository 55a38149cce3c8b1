// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Layout of this model's ticket-number panel: blank fare cells at start-up,
// the panel's default colours and picture, and the numbering of the labels.

#include <QString>

#include <functional>

class Form1;
class frmOption;
class QLabel;
class QWidget;

namespace mdl517_000 {

// Blanks the 50 fare cells (unlit segments).
void DegitReset(Form1& board);

// This model's defaults: ticket numbers shown, white / light green label
// colours, numbering style 0, the backlight-off face on the board.
void PanelInit(Form1& board, frmOption& option);

// Numbers the labels 1..50 in a numbering style; zero != 0 writes two digits.
// A failure is reported in a message box; labels changed before it keep their
// new captions.
void SeirikenNumSet(Form1& board, qint16 style, qint16 zero);
// The same over any set of labels (nullptr for a missing one); messages are owned by owner.
void SeirikenNumSet(const std::function<QLabel*(int)>& labels, QWidget* owner, qint16 style,
                    qint16 zero);

// The text of the failure message of SeirikenNumSet.
QString SeirikenNumSetError(int code, const QString& description);

} // namespace mdl517_000
