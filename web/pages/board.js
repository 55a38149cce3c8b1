// SPDX-License-Identifier: GPL-3.0-or-later
// The board page: the board alone, N times its size with ?zoom=N or as large
// as the window allows, on the background asked for; a tap makes it full
// screen and another leaves it.
'use strict';

(() => {
    const body = document.body;
    const zoom = Number(body.dataset.zoom) || 0;
    // Checked by the program: "transparent" or #rrggbb.
    const background = body.dataset.bg || '#000000';
    document.documentElement.style.background = background;
    body.style.background = background;
    if (zoom) {
        body.classList.add('zoomed');
    }
    const canvas = document.getElementById('board');
    const status = document.getElementById('status');

    function layout() {
        const ratio = window.devicePixelRatio || 1;
        let scale = zoom;
        if (!scale) {
            scale = Math.min(window.innerWidth / canvas.width, window.innerHeight / canvas.height);
        }
        // Whole device pixels, so that every pixel of the board stays sharp.
        const width = Math.max(1, Math.floor(canvas.width * scale * ratio)) / ratio;
        const height = Math.max(1, Math.floor(canvas.height * scale * ratio)) / ratio;
        canvas.style.width = `${width}px`;
        canvas.style.height = `${height}px`;
    }

    const view = new window.RutomiaBoardView(canvas, {
        onStatus: (text) => {
            status.textContent = text;
            status.hidden = !text;
        },
        onSize: layout,
    });
    window.rutomiaBoard = view.stats;

    canvas.addEventListener('click', () => {
        if (document.fullscreenElement) {
            document.exitFullscreen().catch(() => {});
        } else if (document.documentElement.requestFullscreen) {
            document.documentElement.requestFullscreen().catch(() => {});
        }
    });
    window.addEventListener('resize', layout);
    layout();
    view.start();
})();
