// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// "Web 表示": turns the server on and off, picks its port and whether the LAN
// may reach it, shows the URLs of the board and the panel with a QR code of
// each, and renews the token. Every change is applied and saved at once.

#include "web/WebSettings.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QPushButton;
class QSpinBox;
class WebServer;

class WebDialog final : public QDialog {
    Q_OBJECT
public:
    // The dialog drives server, which outlives it; the settings are read
    // from and saved to settingsFile.
    explicit WebDialog(WebServer& server, QWidget* parent = nullptr,
                       QString settingsFile = WebSettings::DefaultFile());

    const WebSettings& Settings() const { return m_settings; }

    QCheckBox* chkEnabled() const { return m_enabled; }
    QSpinBox* spnPort() const { return m_port; }
    QCheckBox* chkLan() const { return m_lan; }
    QPushButton* cmdRenew() const { return m_renew; }
    QLabel* lblStatus() const { return m_status; }
    QLabel* lblBoardUrl() const { return m_boardUrl; }
    QLabel* lblPanelUrl() const { return m_panelUrl; }
    QLabel* picBoardQr() const { return m_boardQr; }
    QLabel* picPanelQr() const { return m_panelQr; }

private:
    void Apply(bool restart);
    void ShowServer();

    WebServer& m_server;
    QString m_file;
    WebSettings m_settings;
    QString m_error; // why the server could not start, until it does

    QCheckBox* m_enabled = nullptr;
    QSpinBox* m_port = nullptr;
    QCheckBox* m_lan = nullptr;
    QPushButton* m_renew = nullptr;
    QLabel* m_status = nullptr;
    QLabel* m_boardUrl = nullptr;
    QLabel* m_panelUrl = nullptr;
    QLabel* m_boardQr = nullptr;
    QLabel* m_panelQr = nullptr;
};
