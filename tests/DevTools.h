// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Debian's chromium, headless, driven through its debugging protocol over a
// WebSocket: open pages, read what their scripts hold, press with the mouse
// and take screenshots once the page has really drawn. For the browser tests
// and the web benchmark.

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QHash>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointF>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <QWebSocket>

#include <memory>

class DevTools final {
public:
    // Where the program is, or empty when chromium is not installed.
    static QString Chromium()
    {
        for (const char* name : {"chromium", "chromium-browser"})
            if (const QString path = QStandardPaths::findExecutable(QLatin1String(name));
                !path.isEmpty())
                return path;
        return {};
    }

    DevTools() = default;
    DevTools(const DevTools&) = delete;
    DevTools& operator=(const DevTools&) = delete;
    ~DevTools()
    {
        if (m_socket.state() == QAbstractSocket::ConnectedState) {
            Call(QStringLiteral("Browser.close"), {}, {}, 2000);
            m_socket.close();
        }
        if (m_browser.state() != QProcess::NotRunning) {
            m_browser.terminate();
            if (!m_browser.waitForFinished(3000))
                m_browser.kill();
            m_browser.waitForFinished(3000);
        }
        // Its helpers may write to the profile a moment after it ended.
        for (int i = 0; i < 40 && !QDir(m_profile.path()).removeRecursively(); ++i) {
            QEventLoop pause;
            QTimer::singleShot(50, &pause, &QEventLoop::quit);
            pause.exec();
        }
    }

    // Starts the browser with a profile of its own and connects to it.
    bool Launch(QString* why)
    {
        const QString program = Chromium();
        if (program.isEmpty()) {
            *why = QStringLiteral("chromium is not installed");
            return false;
        }
        // The flags that keep it off the network this machine does not have.
        m_browser.start(
            program,
            {QStringLiteral("--headless"), QStringLiteral("--no-sandbox"),
             QStringLiteral("--disable-gpu"), QStringLiteral("--disable-quic"),
             QStringLiteral("--no-first-run"), QStringLiteral("--disable-background-networking"),
             QStringLiteral("--disable-component-update"), QStringLiteral("--disable-sync"),
             QStringLiteral("--disable-dev-shm-usage"),
             QStringLiteral("--force-device-scale-factor=1"), QStringLiteral("--hide-scrollbars"),
             QStringLiteral("--user-data-dir=") + m_profile.path(),
             QStringLiteral("--remote-debugging-port=0"), QStringLiteral("about:blank")});
        if (!m_browser.waitForStarted(10000)) {
            *why = QStringLiteral("chromium did not start: ") + m_browser.errorString();
            return false;
        }
        // It names its debugging socket on stderr.
        static const QRegularExpression listening(
            QStringLiteral("DevTools listening on (ws://\\S+)"));
        QByteArray said;
        QString address;
        QEventLoop wait;
        QObject::connect(&m_browser, &QProcess::readyReadStandardError, &wait, [&] {
            said += m_browser.readAllStandardError();
            const QRegularExpressionMatch m = listening.match(QString::fromUtf8(said));
            if (m.hasMatch()) {
                address = m.captured(1);
                wait.quit();
            }
        });
        QObject::connect(&m_browser, &QProcess::finished, &wait, &QEventLoop::quit);
        QTimer::singleShot(30000, &wait, &QEventLoop::quit);
        wait.exec();
        if (address.isEmpty()) {
            *why = QStringLiteral("chromium gave no debugging address: ") + QString::fromUtf8(said);
            return false;
        }
        QObject::connect(&m_socket, &QWebSocket::textMessageReceived, [this](const QString& text) {
            const QJsonObject o = QJsonDocument::fromJson(text.toUtf8()).object();
            if (o.contains(QStringLiteral("id")))
                m_answers.insert(o.value(QStringLiteral("id")).toInt(), o);
        });
        QEventLoop connecting;
        QObject::connect(&m_socket, &QWebSocket::connected, &connecting, &QEventLoop::quit);
        QObject::connect(&m_socket, &QWebSocket::disconnected, &connecting, &QEventLoop::quit);
        QTimer::singleShot(10000, &connecting, &QEventLoop::quit);
        m_socket.open(QUrl(address));
        connecting.exec();
        if (m_socket.state() != QAbstractSocket::ConnectedState) {
            *why = QStringLiteral("cannot reach chromium's debugging socket");
            return false;
        }
        return true;
    }

    // A command and its result ("error" in it when it failed); session:
    // the page's, or empty for the browser.
    QJsonObject Call(const QString& method, const QJsonObject& params = {},
                     const QString& session = {}, int timeoutMs = 15000)
    {
        const int id = ++m_lastId;
        QJsonObject message{{QStringLiteral("id"), id},
                            {QStringLiteral("method"), method},
                            {QStringLiteral("params"), params}};
        if (!session.isEmpty())
            message.insert(QStringLiteral("sessionId"), session);
        m_socket.sendTextMessage(
            QString::fromUtf8(QJsonDocument(message).toJson(QJsonDocument::Compact)));
        QEventLoop wait;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &wait, [&] {
            if (m_answers.contains(id) || m_socket.state() != QAbstractSocket::ConnectedState)
                wait.quit();
        });
        poll.start(2);
        QTimer::singleShot(timeoutMs, &wait, &QEventLoop::quit);
        wait.exec();
        const QJsonObject answer = m_answers.take(id);
        if (answer.isEmpty())
            return {{QStringLiteral("error"), QStringLiteral("no answer to ") + method}};
        if (answer.contains(QStringLiteral("error")))
            return answer;
        return answer.value(QStringLiteral("result")).toObject();
    }

    // A new tab at url with a viewport of the given size (in CSS pixels, each
    // scale device pixels; mobile: as a phone lays pages out); its session,
    // or empty.
    QString Open(const QUrl& url, const QSize& viewport, double scale = 1, bool mobile = false)
    {
        const QString target = Call(QStringLiteral("Target.createTarget"),
                                    {{QStringLiteral("url"), QStringLiteral("about:blank")}})
                                   .value(QStringLiteral("targetId"))
                                   .toString();
        const QString session =
            Call(QStringLiteral("Target.attachToTarget"),
                 {{QStringLiteral("targetId"), target}, {QStringLiteral("flatten"), true}})
                .value(QStringLiteral("sessionId"))
                .toString();
        if (session.isEmpty())
            return {};
        Call(QStringLiteral("Emulation.setDeviceMetricsOverride"),
             {{QStringLiteral("width"), viewport.width()},
              {QStringLiteral("height"), viewport.height()},
              {QStringLiteral("deviceScaleFactor"), scale},
              {QStringLiteral("mobile"), mobile}},
             session);
        Call(QStringLiteral("Page.navigate"), {{QStringLiteral("url"), url.toString()}}, session);
        return session;
    }

    // The value of a script expression (promises awaited); undefined on failure.
    QJsonValue Evaluate(const QString& session, const QString& expression)
    {
        const QJsonObject r = Call(QStringLiteral("Runtime.evaluate"),
                                   {{QStringLiteral("expression"), expression},
                                    {QStringLiteral("returnByValue"), true},
                                    {QStringLiteral("awaitPromise"), true}},
                                   session);
        return r.value(QStringLiteral("result")).toObject().value(QStringLiteral("value"));
    }

    // Waits until the expression is true in the page.
    bool WaitFor(const QString& session, const QString& expression, int timeoutMs = 15000)
    {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < timeoutMs) {
            if (Evaluate(session, expression).toBool())
                return true;
            QEventLoop pause;
            QTimer::singleShot(20, &pause, &QEventLoop::quit);
            pause.exec();
        }
        return false;
    }

    QImage Screenshot(const QString& session)
    {
        const QJsonObject r = Call(QStringLiteral("Page.captureScreenshot"),
                                   {{QStringLiteral("format"), QStringLiteral("png")}}, session);
        return QImage::fromData(
            QByteArray::fromBase64(r.value(QStringLiteral("data")).toString().toLatin1()), "PNG");
    }

    // A left click at a point of the page, as the mouse gives it.
    void Click(const QString& session, const QPointF& at)
    {
        for (const char* type : {"mouseMoved", "mousePressed", "mouseReleased"})
            Call(QStringLiteral("Input.dispatchMouseEvent"),
                 {{QStringLiteral("type"), QLatin1String(type)},
                  {QStringLiteral("x"), at.x()},
                  {QStringLiteral("y"), at.y()},
                  {QStringLiteral("button"), QStringLiteral("left")},
                  {QStringLiteral("clickCount"), 1}},
                 session);
    }

private:
    QTemporaryDir m_profile;
    QProcess m_browser;
    QWebSocket m_socket;
    QHash<int, QJsonObject> m_answers;
    int m_lastId = 0;
};
