// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Presses from the web, run one at a time in the order they came, each only
// when the host says no wait or other handler is in progress: a press that
// arrives during the lamp test acts after it, never inside it, and never
// inside an earlier press that is still running.

#include "web/WebPress.h"

#include <QObject>

#include <atomic>
#include <deque>
#include <memory>

class WebHost;

class PressQueue final : public QObject {
    Q_OBJECT
public:
    // queued: presses accepted and not yet run (the server refuses more
    // than it allows); each run takes one off.
    PressQueue(WebHost& host, std::shared_ptr<std::atomic<int>> queued, QObject* parent = nullptr);

    void Add(const WebPress& press);
    int Waiting() const { return int(m_presses.size()); }

private:
    void Next();
    void RunFront();

    WebHost& m_host;
    std::shared_ptr<std::atomic<int>> m_queued;
    std::deque<WebPress> m_presses;
    bool m_handedOver = false; // the front press is with the host
};
