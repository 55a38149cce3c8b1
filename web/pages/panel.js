// SPDX-License-Identifier: GPL-3.0-or-later
// The control panel page: the panel's working controls, enabled and lit as
// on the panel (its state comes over a WebSocket whenever it changes), and
// the board above them. A press is a POST to the API; the program runs the
// presses in the order they arrive.
'use strict';

(() => {
    const token = new URLSearchParams(location.search).get('t') || '';
    const status = document.getElementById('status');
    const buttons = new Map();
    for (const button of document.querySelectorAll('button[data-control]')) {
        buttons.set(button.dataset.control, button);
    }
    // Read by tests through the browser's debugging protocol.
    const page = { ready: false, state: null, sent: 0 };
    window.rutomiaPanel = page;

    function tell(text) {
        status.textContent = text;
        status.hidden = !text;
    }

    const view = new window.RutomiaBoardView(document.getElementById('board'), {
        onStatus: tell,
    });
    window.rutomiaBoard = view.stats;

    function press(name) {
        const button = buttons.get(name);
        let body = '';
        if (button.hasAttribute('data-switch')) {
            body = button.getAttribute('aria-pressed') === 'true' ? 'off' : 'on';
        }
        page.sent++;
        fetch(`/api/press/${name}?t=${encodeURIComponent(token)}`, {
            method: 'POST',
            headers: { 'Content-Type': 'text/plain' },
            body,
            cache: 'no-store',
        })
            .then((response) => {
                if (response.ok) {
                    return;
                }
                response
                    .json()
                    .then((answer) => tell(answer.error || `エラー ${response.status}`))
                    .catch(() => tell(`エラー ${response.status}`));
            })
            .catch(() => tell('ルトミアに届きませんでした。'));
    }

    for (const [name, button] of buttons) {
        button.addEventListener('click', () => press(name));
    }

    function text(id, value) {
        document.getElementById(id).textContent = value;
    }

    function show(state) {
        for (const [name, button] of buttons) {
            button.disabled = !state.enabled[name];
        }
        buttons.get('clear').setAttribute('aria-pressed', String(state.displayClear));
        buttons.get('latenight').setAttribute('aria-pressed', String(state.lateNight));
        text('route-entry', state.entry.route);
        text('section-entry', state.entry.section);
        document.getElementById('route-display').classList.toggle(
            'active', state.entry.target === 'route');
        document.getElementById('section-display').classList.toggle(
            'active', state.entry.target === 'section');
        text('tape-caption', state.tape.caption || '放送');
        text('stop-name', state.stopName);
        text('row', state.rows ? `${state.row} / ${state.rows}` : '');
        page.state = state;
        page.ready = true;
    }

    let retryMs = 500;
    function connect() {
        const socket = new WebSocket(
            `ws://${location.host}/ws/panel?t=${encodeURIComponent(token)}`);
        socket.onopen = () => {
            retryMs = 500;
        };
        socket.onmessage = (event) => {
            try {
                show(JSON.parse(event.data));
            } catch (e) {
                // A state that cannot be read leaves the last one shown.
            }
        };
        socket.onclose = () => {
            for (const button of buttons.values()) {
                button.disabled = true;
            }
            setTimeout(connect, retryMs);
            retryMs = Math.min(retryMs * 2, 5000);
        };
    }

    connect();
    view.start();
})();
