// SPDX-License-Identifier: GPL-3.0-or-later
// The board drawn from the program's own pictures. A WebSocket brings the
// whole board once, then each part that changes as a PNG with its place
// (a 16-byte head: 'R', kind, 0, 0, sequence, x, y, width, height, little
// endian). Parts are decoded as they come and drawn strictly in order.
'use strict';

window.RutomiaBoardView = class {
    constructor(canvas, { onStatus = () => {}, onSize = () => {} } = {}) {
        this.canvas = canvas;
        this.context = canvas.getContext('2d', { alpha: false });
        this.context.imageSmoothingEnabled = false;
        this.onStatus = onStatus;
        this.onSize = onSize;
        this.token = new URLSearchParams(location.search).get('t') || '';
        this.retryMs = 500;
        this.chain = Promise.resolve();
        this.framePending = false;
        this.frameTimes = [];
        // Read by tests through the browser's debugging protocol.
        this.stats = { connected: false, wholes: 0, parts: 0, frames: 0, fps: 0 };
    }

    start() {
        this.connect();
    }

    connect() {
        const url = `ws://${location.host}/ws/board?t=${encodeURIComponent(this.token)}`;
        const socket = new WebSocket(url);
        socket.binaryType = 'arraybuffer';
        this.chain = Promise.resolve();
        socket.onopen = () => {
            this.retryMs = 500;
            this.stats.connected = true;
            this.onStatus('');
        };
        socket.onmessage = (event) => this.receive(event.data);
        socket.onclose = () => {
            this.stats.connected = false;
            this.onStatus('ルトミアとの接続が切れました。つなぎ直しています…');
            setTimeout(() => this.connect(), this.retryMs);
            this.retryMs = Math.min(this.retryMs * 2, 5000);
        };
    }

    receive(data) {
        if (!(data instanceof ArrayBuffer) || data.byteLength < 16) {
            return;
        }
        const head = new DataView(data, 0, 16);
        if (head.getUint8(0) !== 0x52) {
            return;
        }
        const whole = head.getUint8(1) === 1;
        const x = head.getUint16(8, true);
        const y = head.getUint16(10, true);
        const width = head.getUint16(12, true);
        const height = head.getUint16(14, true);
        const png = new Blob([new Uint8Array(data, 16)], { type: 'image/png' });
        // The pixels exactly as the program drew them.
        const decoded = createImageBitmap(png, {
            premultiplyAlpha: 'none',
            colorSpaceConversion: 'none',
        });
        this.chain = this.chain
            .then(() => decoded)
            .then((bitmap) => this.draw(whole, x, y, width, height, bitmap))
            .catch(() => {});
    }

    draw(whole, x, y, width, height, bitmap) {
        if (whole && (this.canvas.width !== width || this.canvas.height !== height)) {
            this.canvas.width = width;
            this.canvas.height = height;
            this.context.imageSmoothingEnabled = false;
            this.onSize();
        }
        this.context.drawImage(bitmap, x, y);
        bitmap.close();
        if (whole) {
            this.stats.wholes++;
        } else {
            this.stats.parts++;
        }
        if (!this.framePending) {
            this.framePending = true;
            requestAnimationFrame((now) => this.frameShown(now));
        }
    }

    // Counts the frames that showed something new, and how many came in
    // the last second.
    frameShown(now) {
        this.framePending = false;
        this.stats.frames++;
        this.frameTimes.push(now);
        while (this.frameTimes.length && now - this.frameTimes[0] > 1000) {
            this.frameTimes.shift();
        }
        this.stats.fps = this.frameTimes.length;
    }
};
