// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// 「開く」: a route number in the fare data folder, or a fare data file
// (<number>.hy3) anywhere, chosen with the program's file chooser.

#include <QDialog>

class QLabel;
class QLineEdit;

class OpenRouteDialog final : public QDialog {
    Q_OBJECT
public:
    OpenRouteDialog(const QString& fareFolder, const QString& routeNo, QWidget* parent = nullptr);

    // A route number or a file path; valid after accept().
    QString target() const { return m_target; }

    void accept() override;

private:
    void chooseFile();

    QString m_fareFolder;
    QLineEdit* m_number = nullptr;
    QLabel* m_note = nullptr;
    QString m_target;
};
