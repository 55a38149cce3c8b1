// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// 「名前を付けて保存」: the route number (0..99999) and the two folders the
// route's files go to, saying before saving which files already exist there.

#include <QDialog>

class QLabel;
class QLineEdit;

class SaveAsDialog final : public QDialog {
    Q_OBJECT
public:
    // routeNo -1: none yet.
    SaveAsDialog(int routeNo, const QString& fareFolder, const QString& tapeFolder,
                 QWidget* parent = nullptr);

    // Valid after accept().
    int routeNo() const { return m_routeNo; }
    QString fareFolder() const;
    QString tapeFolder() const;

    void accept() override;

private:
    void update();
    void choose(QLineEdit* folder, const QString& prompt);

    QLineEdit* m_number = nullptr;
    QLineEdit* m_fareFolder = nullptr;
    QLineEdit* m_tapeFolder = nullptr;
    QLabel* m_note = nullptr;
    int m_routeNo = -1;
};
