// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Options page 5: the ticket preview, its plugin and where the ticket's date
// comes from.

#include <QGroupBox>

#include <array>

class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class VbCheckBox;
class VbOptionButton;

class OptionPageSeiriPrev final : public QGroupBox {
    Q_OBJECT
public:
    explicit OptionPageSeiriPrev(QWidget* parent = nullptr);

    VbCheckBox* chkUseSeiriPrev = nullptr; // governs Frame10 and Frame7
    QGroupBox* Frame10 = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* txtSeiriPlgDir = nullptr;
    QPushButton* Command1 = nullptr;  // choose a plugin
    QPushButton* Command11 = nullptr; // forget the plugin
    QLabel* Label11 = nullptr;
    QListWidget* List1 = nullptr; // what the plugin can print
    QLabel* Label13 = nullptr;
    QPlainTextEdit* txtPlginComment = nullptr;

    QGroupBox* Frame7 = nullptr;
    // 0 system date at each print, 1 date kept at route set, 2 fixed date.
    std::array<VbOptionButton*, 3> Option4{};
    QLabel* Label14 = nullptr;
    QLabel* Label10 = nullptr; // the fixed date, yyyy/mm/dd
    QPushButton* Command7 = nullptr;

private:
    void UpdateEnabling();
};
