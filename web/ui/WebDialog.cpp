// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/ui/WebDialog.h"

#include "web/QrCode.h"
#include "web/WebServer.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

constexpr int kQrScale = 4;

QLabel* UrlLabel(const QString& name)
{
    auto* l = new QLabel;
    l->setObjectName(name);
    l->setTextFormat(Qt::RichText);
    l->setTextInteractionFlags(Qt::TextBrowserInteraction);
    l->setOpenExternalLinks(true);
    l->setWordWrap(true);
    return l;
}

QLabel* QrLabel(const QString& name)
{
    auto* l = new QLabel;
    l->setObjectName(name);
    l->setAlignment(Qt::AlignCenter);
    return l;
}

QString Link(const QUrl& url)
{
    const QString text = url.toString(QUrl::FullyEncoded).toHtmlEscaped();
    return QStringLiteral("<a href=\"%1\">%1</a>").arg(text);
}

} // namespace

WebDialog::WebDialog(WebServer& server, QWidget* parent, QString settingsFile)
    : QDialog(parent), m_server(server), m_file(std::move(settingsFile)),
      m_settings(WebSettings::Load(m_file))
{
    setObjectName(QStringLiteral("WebDialog"));
    setWindowTitle(QStringLiteral("Web 表示"));

    // Started for this run only (from the command line): shown as on.
    const bool on = m_settings.enabled || m_server.IsRunning();
    if (m_server.IsRunning()) {
        m_settings.port = m_server.Port();
        m_settings.lan = m_server.Lan();
        m_settings.token = m_server.Token();
    }

    m_enabled = new QCheckBox(QStringLiteral("Web 表示を使う"));
    m_enabled->setObjectName(QStringLiteral("chkEnabled"));
    m_enabled->setChecked(on);
    m_port = new QSpinBox;
    m_port->setObjectName(QStringLiteral("spnPort"));
    m_port->setRange(1, 65535);
    m_port->setValue(m_settings.port);
    // Applied when the number is finished, not at every digit typed.
    m_port->setKeyboardTracking(false);
    m_lan = new QCheckBox(QStringLiteral("ネットワークの他の機器からも見る"));
    m_lan->setObjectName(QStringLiteral("chkLan"));
    m_lan->setChecked(m_settings.lan);
    m_status = new QLabel;
    m_status->setObjectName(QStringLiteral("lblStatus"));
    m_status->setWordWrap(true);

    auto* form = new QFormLayout;
    form->addRow(m_enabled);
    form->addRow(QStringLiteral("ポート"), m_port);
    form->addRow(m_lan);
    form->addRow(QStringLiteral("状態"), m_status);

    m_boardUrl = UrlLabel(QStringLiteral("lblBoardUrl"));
    m_panelUrl = UrlLabel(QStringLiteral("lblPanelUrl"));
    m_boardQr = QrLabel(QStringLiteral("picBoardQr"));
    m_panelQr = QrLabel(QStringLiteral("picPanelQr"));
    auto* pages = new QGridLayout;
    const auto page = [&](int column, const QString& title, QLabel* url, QLabel* qr) {
        auto* box = new QGroupBox(title);
        auto* v = new QVBoxLayout(box);
        v->addWidget(url);
        v->addWidget(qr, 1);
        pages->addWidget(box, 0, column);
    };
    page(0, QStringLiteral("運賃表示器 (/board)"), m_boardUrl, m_boardQr);
    page(1, QStringLiteral("集中操作盤 (/panel)"), m_panelUrl, m_panelQr);

    auto* note = new QLabel(
        QStringLiteral("URL を知っている人は誰でも表示を見て操作できます。"
                       "URL が知られてしまったときは「トークンを更新」を押してください。"));
    note->setWordWrap(true);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    m_renew = buttons->addButton(QStringLiteral("トークンを更新"), QDialogButtonBox::ActionRole);
    m_renew->setObjectName(QStringLiteral("cmdRenew"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(pages, 1);
    layout->addWidget(note);
    layout->addWidget(buttons);

    connect(m_enabled, &QCheckBox::toggled, this, [this] { Apply(false); });
    connect(m_port, &QSpinBox::valueChanged, this, [this] { Apply(false); });
    connect(m_lan, &QCheckBox::toggled, this, [this] { Apply(false); });
    connect(m_renew, &QPushButton::clicked, this, [this] {
        m_settings.RenewToken();
        // Whoever holds the old URL is shut out: the server starts afresh.
        Apply(true);
    });
    connect(&m_server, &WebServer::ViewersChanged, this, &WebDialog::ShowServer);

    // On in the settings but not running (the port was taken at start-up,
    // say): try again, so the dialog tells why it is not.
    if (on && !m_server.IsRunning())
        Apply(false);
    else
        ShowServer();
}

void WebDialog::Apply(bool restart)
{
    m_settings.enabled = m_enabled->isChecked();
    m_settings.port = quint16(m_port->value());
    m_settings.lan = m_lan->isChecked();
    m_error.clear();
    if (!m_settings.Save(m_file))
        m_error = QStringLiteral("設定を保存できません: %1").arg(m_file);
    if (!m_settings.enabled) {
        m_server.Stop();
    } else if (restart || !m_server.IsRunning() || m_server.Port() != m_settings.port ||
               m_server.Lan() != m_settings.lan || m_server.Token() != m_settings.token) {
        QString failed;
        if (!m_server.Start(m_settings.ServerSettings(), &failed))
            m_error = failed;
    }
    ShowServer();
}

void WebDialog::ShowServer()
{
    const bool running = m_server.IsRunning();
    m_renew->setEnabled(running);
    if (!running) {
        m_status->setText(m_error.isEmpty() ? QStringLiteral("止まっています。") : m_error);
        m_status->setStyleSheet(m_error.isEmpty() ? QString() : QStringLiteral("color: #c00000;"));
        for (QLabel* l : {m_boardUrl, m_panelUrl, m_boardQr, m_panelQr})
            l->clear();
        return;
    }
    // The LAN address, when there is one, is what another device opens.
    QString lanHost;
    for (const QByteArray& h : m_server.Hosts())
        if (h != "127.0.0.1" && h != "localhost") {
            lanHost = QString::fromLatin1(h);
            break;
        }
    QString status = QStringLiteral("待ち受け中: 127.0.0.1:%1").arg(m_server.Port());
    if (m_server.Lan())
        status += lanHost.isEmpty() ? QStringLiteral(" (ネットワークのアドレスが見つかりません)")
                                    : QStringLiteral("、%1:%2").arg(lanHost).arg(m_server.Port());
    status += QStringLiteral("。接続中: 表示器 %1、操作盤 %2")
                  .arg(m_server.BoardViewers())
                  .arg(m_server.PanelViewers());
    if (!m_error.isEmpty())
        status += u'\n' + m_error;
    m_status->setText(status);
    m_status->setStyleSheet(QString());
    const auto show = [&](const QString& page, QLabel* url, QLabel* qr) {
        const QUrl local = m_server.Url(page);
        QString text = QStringLiteral("このパソコン: ") + Link(local);
        QUrl forQr = local;
        if (!lanHost.isEmpty()) {
            forQr = m_server.Url(page, lanHost);
            text += QStringLiteral("<br>ほかの機器: ") + Link(forQr);
        }
        url->setText(text);
        qr->setPixmap(QPixmap::fromImage(QrCode(forQr.toString(QUrl::FullyEncoded), kQrScale)));
        qr->setProperty("url", forQr);
    };
    show(QStringLiteral("board"), m_boardUrl, m_boardQr);
    show(QStringLiteral("panel"), m_panelUrl, m_panelQr);
}
