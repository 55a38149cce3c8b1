// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/WebServer.h"

#include "web/PressQueue.h"
#include "web/WebAccess.h"
#include "web/WebPanelState.h"
#include "web/WebService.h"

#include <QThread>
#include <QUrlQuery>

#include <algorithm>

namespace {

// Frames the server may hold before the next one waits: one being sent,
// one ready.
constexpr int kMaxInFlight = 2;

} // namespace

WebServer::WebServer(WebHost& host, QObject* parent)
    : QObject(parent), m_host(host), m_presses(new PressQueue(host, m_queued, this))
{
    m_flush.setSingleShot(true);
    m_flush.setTimerType(Qt::PreciseTimer);
    connect(&m_flush, &QTimer::timeout, this, &WebServer::Flush);
    m_state.setSingleShot(true);
    connect(&m_state, &QTimer::timeout, this, &WebServer::SendState);
    connect(&m_host, &WebHost::BoardChanged, this, &WebServer::BoardChanged);
    connect(&m_host, &WebHost::PanelChanged, this, [this] {
        if (IsRunning() && !m_state.isActive())
            m_state.start(0);
    });
}

WebServer::~WebServer()
{
    Stop();
}

bool WebServer::Start(const Settings& settings, QString* error)
{
    Stop();
    m_token = WebAccess::IsWellFormedToken(settings.token) ? settings.token : WebAccess::NewToken();
    WebService::Config config;
    config.token = m_token;
    config.port = settings.port;
    config.lan = settings.lan;
    config.idleMs = settings.idleMs;

    // What the server asks of this side comes over as queued calls.
    WebService::Outlets outlets;
    outlets.press = [this](const WebPress& press) {
        QMetaObject::invokeMethod(this, [this, press] { m_presses->Add(press); });
    };
    outlets.viewers = [this](int board, int panel) {
        QMetaObject::invokeMethod(this, [this, board, panel] { Viewers(board, panel); });
    };
    outlets.wholeBoardWanted = [this] {
        QMetaObject::invokeMethod(this, [this] {
            m_wantWhole = true;
            ScheduleFlush();
        });
    };
    outlets.partsSent = [this] { QMetaObject::invokeMethod(this, [this] { PartsSent(); }); };

    m_thread = new QThread;
    m_thread->setObjectName(QStringLiteral("web"));
    m_anchor = new QObject;
    m_anchor->moveToThread(m_thread);
    m_thread->start();
    QString failed;
    // Made and started on its own thread; the wait is as short as listen().
    QMetaObject::invokeMethod(
        m_anchor,
        [&] {
            auto service = std::make_unique<WebService>(config, outlets, m_queued);
            failed = service->Listen();
            if (failed.isEmpty()) {
                m_port = service->Port();
                m_lan = config.lan;
                m_hosts = service->Hosts();
                m_service = service.release();
            }
        },
        Qt::BlockingQueuedConnection);
    if (!m_service) {
        m_thread->quit();
        m_thread->wait();
        delete m_anchor;
        delete m_thread;
        m_anchor = nullptr;
        m_thread = nullptr;
        if (error)
            *error = failed;
        return false;
    }
    m_lastState.clear();
    SendState();
    return true;
}

void WebServer::Stop()
{
    if (!m_service)
        return;
    QMetaObject::invokeMethod(
        m_anchor, [this] { delete std::exchange(m_service, nullptr); },
        Qt::BlockingQueuedConnection);
    m_thread->quit();
    m_thread->wait();
    delete std::exchange(m_anchor, nullptr);
    delete std::exchange(m_thread, nullptr);
    m_flush.stop();
    m_state.stop();
    m_dirty = QRegion();
    m_wantWhole = false;
    m_inFlight = 0;
    m_flushWaiting = false;
    m_port = 0;
    m_lan = false;
    m_hosts.clear();
    Viewers(0, 0);
}

QUrl WebServer::Url(const QString& page, const QString& host) const
{
    QUrl url;
    url.setScheme(QStringLiteral("http"));
    url.setHost(host);
    url.setPort(m_port);
    url.setPath(u'/' + page);
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("t"), QString::fromLatin1(m_token));
    url.setQuery(query);
    return url;
}

WebGate* WebServer::Gate() const
{
    return m_service ? m_service->Gate() : nullptr;
}

void WebServer::Viewers(int board, int panel)
{
    if (board == 0)
        m_dirty = QRegion();
    const bool changed = board != m_boardViewers || panel != m_panelViewers;
    m_boardViewers = board;
    m_panelViewers = panel;
    if (changed)
        emit ViewersChanged(board, panel);
}

void WebServer::BoardChanged(const QRegion& part)
{
    // Nobody watching: nothing is drawn, nothing is sent.
    if (m_boardViewers == 0 || !m_service)
        return;
    m_dirty += part;
    ScheduleFlush();
}

void WebServer::ScheduleFlush()
{
    if (m_flush.isActive() || !m_service)
        return;
    const qint64 since = m_sinceFlush.isValid() ? m_sinceFlush.elapsed() : kFrameMs;
    m_flush.start(int(std::clamp<qint64>(kFrameMs - since, 0, kFrameMs)));
}

void WebServer::Flush()
{
    if (!m_service)
        return;
    if (m_inFlight >= kMaxInFlight) {
        // The server is behind: what changed meanwhile goes with the next frame.
        m_flushWaiting = true;
        return;
    }
    const QRect board(QPoint(0, 0), m_host.BoardSize());
    QList<BoardPart> parts;
    if (m_wantWhole) {
        m_wantWhole = false;
        m_dirty = QRegion();
        parts << BoardPart{board, m_host.BoardImage(board), true};
    } else {
        const QRegion dirty = std::exchange(m_dirty, QRegion()) & board;
        if (dirty.isEmpty())
            return;
        if (dirty.rectCount() > kMaxParts) {
            const QRect r = dirty.boundingRect();
            parts << BoardPart{r, m_host.BoardImage(r), false};
        } else {
            for (const QRect& r : dirty)
                parts << BoardPart{r, m_host.BoardImage(r), false};
        }
    }
    ++m_inFlight;
    m_sinceFlush.start();
    QMetaObject::invokeMethod(m_service,
                              [service = m_service, parts] { service->SendParts(parts); });
}

void WebServer::PartsSent()
{
    m_inFlight = qMax(0, m_inFlight - 1);
    if (m_flushWaiting) {
        m_flushWaiting = false;
        ScheduleFlush();
    }
}

void WebServer::SendState()
{
    if (!m_service)
        return;
    const QByteArray json = PanelStateJson(m_host.PanelState());
    if (json == m_lastState)
        return;
    m_lastState = json;
    QMetaObject::invokeMethod(m_service, [service = m_service, json] { service->SetState(json); });
}
