#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Drives the real program with random input on an X display (run it through
scripts/monkey.sh, which provides the display and the sanitizer build).

Clicks, double-clicks, right-clicks, drags, wheel turns and keys land on every
window the program shows (the board, the control panel and whatever dialog is
open), with a fixed random seed, while the data folder holds good, damaged and
missing fare files and announcement lists. Fails on a crash, a sanitizer
report, a hang (the user-interface thread away from its event loop for 5 s)
or memory growing past a bound; at the end the program is closed as a user
closes it and must exit cleanly.

    monkey.py <program> <seconds> <seed> <work folder>
"""

import os
import random
import shutil
import signal
import struct
import subprocess
import sys
import time

from Xlib import X, display, protocol

HANG_SECONDS = 5.0
# Growth of the resident size over the first minute's level that counts as a
# leak; the sanitizer build keeps freed memory quarantined, so be generous.
RSS_GROWTH_MB = 400


def fare_file(stops):
    """A .hy3 image: stops is a list of (name, ticket, fares)."""
    out = struct.pack('<h', len(stops))
    for name, ticket, fares in stops:
        raw = name.encode('cp932')
        out += struct.pack('<H', len(raw)) + raw + struct.pack('<h', ticket)
        row = (list(fares) + [0] * 150)[:150]
        out += struct.pack('<150h', *row)
    return out


def make_data(folder, rng):
    """Good, damaged and missing route files and announcement lists."""
    os.makedirs(folder, exist_ok=True)
    names = ['駅前', '市役所前', '本町二丁目', '図書館入口', '桜ヶ丘',
             '県立総合運動公園北口バス停', '港町〜フェリーターミナル', '「しゃっ」前']
    good = [(n, i + 1, [160 + 30 * (i - k) for k in range(i + 1)])
            for i, n in enumerate(names)]
    with open(os.path.join(folder, '1.hy3'), 'wb') as f:
        f.write(fare_file(good))
    with open(os.path.join(folder, '2.hy3'), 'wb') as f:
        f.write(fare_file(good[:3]))
    whole = fare_file(good)
    with open(os.path.join(folder, '3.hy3'), 'wb') as f:  # cut inside a record
        f.write(whole[:rng.randrange(3, len(whole) - 1)])
    with open(os.path.join(folder, '4.hy3'), 'wb') as f:  # random bytes
        f.write(bytes(rng.randrange(256) for _ in range(rng.randrange(1, 4000))))
    with open(os.path.join(folder, '5.hy3'), 'wb') as f:  # a text file
        f.write('# 停留所,整理券\n駅前,1,160\n'.encode('utf-8'))
    with open(os.path.join(folder, '7.hy3'), 'wb') as f:  # no records
        f.write(b'\0\0')
    # Route 6 has no fare file at all; its announcements exist.
    lines = ['ご乗車ありがとうございます。,0,0']
    lines += ['"次は、%s、です。",1,1' % n for n in names[1:]]
    with open(os.path.join(folder, '1tp.csv'), 'wb') as f:
        f.write(('\r\n'.join(lines) + '\r\n').encode('cp932'))
    with open(os.path.join(folder, '2Tp.csv'), 'w', encoding='utf-8') as f:
        f.write('次は、市役所前です。,1,2\n発車します。,0,9\n')
    with open(os.path.join(folder, '3tp.csv'), 'wb') as f:  # malformed
        f.write(b'"unterminated,1\n,,\nx,y,z\n')
    with open(os.path.join(folder, '6tp.csv'), 'wb') as f:
        f.write(bytes(rng.randrange(256) for _ in range(500)))


class Monkey:
    def __init__(self, program, seconds, seed, work):
        self.rng = random.Random(seed)
        self.seconds = seconds
        self.work = work
        self.program = program
        self.failures = []
        self.dpy = display.Display()
        self.root = self.dpy.screen().root

    # --- the program ------------------------------------------------------

    def start(self):
        prog_dir = os.path.join(self.work, 'prog')
        os.makedirs(prog_dir, exist_ok=True)
        # A copy beside its own settings file, so the monkey's settings never
        # touch the build's.
        exe = os.path.join(prog_dir, os.path.basename(self.program))
        shutil.copy2(self.program, exe)
        data = os.path.join(self.work, 'data')
        make_data(data, self.rng)
        env = dict(os.environ)
        env['HOME'] = os.path.join(self.work, 'home')
        env['XDG_CONFIG_HOME'] = os.path.join(self.work, 'home', '.config')
        env.setdefault('SDL_AUDIODRIVER', 'dummy')
        self.san_log = os.path.join(self.work, 'sanitizer')
        env['ASAN_OPTIONS'] = 'log_path=%s:detect_leaks=1:abort_on_error=1' % self.san_log
        env['UBSAN_OPTIONS'] = 'log_path=%s:print_stacktrace=1:halt_on_error=1' % self.san_log
        # Leaks inside system libraries, as for the tests.
        env['LSAN_OPTIONS'] = 'suppressions=%s:print_suppressions=0' % os.path.join(
            os.path.dirname(os.path.abspath(__file__)), 'lsan.supp')
        self.proc = subprocess.Popen([exe], cwd=data, env=env,
                                     stdout=open(os.path.join(self.work, 'stdout'), 'w'),
                                     stderr=open(os.path.join(self.work, 'stderr'), 'w'))
        deadline = time.time() + 30
        while time.time() < deadline and not self.windows():
            time.sleep(0.2)
        if not self.windows():
            self.fail('the program showed no window within 30 s')

    def windows(self):
        """The program's mapped windows: (window, x, y, width, height)."""
        found = []
        try:
            for w in self.root.query_tree().children:
                attrs = w.get_attributes()
                if attrs.map_state != X.IsViewable:
                    continue
                g = w.get_geometry()
                if g.width < 8 or g.height < 8:
                    continue
                pos = w.translate_coords(self.root, 0, 0)
                found.append((w, -pos.x, -pos.y, g.width, g.height))
        except Exception:  # a window went away while we looked
            pass
        return found

    def title(self, w):
        """A window's title as Qt sets it (UTF-8), empty when it has gone."""
        try:
            t = w.get_full_text_property(self.dpy.intern_atom('_NET_WM_NAME'),
                                         self.dpy.intern_atom('UTF8_STRING'))
            if isinstance(t, bytes):
                t = t.decode('utf-8', 'replace')
            return t or ''
        except Exception:
            return ''

    def main_thread_state(self):
        pid = self.proc.pid
        try:
            with open('/proc/%d/task/%d/wchan' % (pid, pid)) as f:
                wchan = f.read().strip()
            with open('/proc/%d/status' % pid) as f:
                rss = next(int(l.split()[1]) for l in f if l.startswith('VmRSS:'))
        except (OSError, StopIteration):
            return None, 0
        return wchan, rss // 1024

    def fail(self, why):
        self.failures.append(why)
        print('monkey: FAIL: ' + why, flush=True)
        # Where the user-interface thread is, for the report.
        if getattr(self, 'proc', None) and self.proc.poll() is None:
            out = subprocess.run(['gdb', '-p', str(self.proc.pid), '-batch', '-ex',
                                  'thread apply 1 bt 30'], capture_output=True, text=True)
            with open(os.path.join(self.work, 'backtrace'), 'w') as f:
                f.write(out.stdout)
            subprocess.run(['import', '-window', 'root', os.path.join(self.work, 'screen.png')])
            with open(os.path.join(self.work, 'windows'), 'w') as f:
                for w in self.root.query_tree().children:
                    try:
                        g = w.get_geometry()
                        f.write('%s %r mapped=%d %dx%d+%d+%d\n' % (
                            hex(w.id), self.title(w), w.get_attributes().map_state, g.width,
                            g.height, g.x, g.y))
                    except Exception:
                        pass

    # --- input ------------------------------------------------------------

    def xdo(self, *args):
        subprocess.run(['xdotool'] + [str(a) for a in args],
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def key(self, w, name):
        # Typed as a keyboard types it, into the window that has the focus:
        # keys sent to a window directly arrive in ways no keyboard makes.
        self.xdo('windowfocus', w.id, 'key', name)

    def act(self):
        wins = self.windows()
        if not wins:
            return
        # Dialogs are the newest windows: favour them a little so that they
        # get used and closed, not only left behind.
        w, x, y, width, height = wins[-1] if self.rng.random() < 0.4 else self.rng.choice(wins)
        px = x + self.rng.randrange(width)
        py = y + self.rng.randrange(height)
        r = self.rng.random()
        if r < 0.45:
            self.xdo('mousemove', px, py, 'click', 1)
        elif r < 0.52:
            self.xdo('mousemove', px, py, 'click', '--repeat', 2, '--delay', 60, 1)
        elif r < 0.58:
            self.xdo('mousemove', px, py, 'click', 3)
        elif r < 0.64:
            self.xdo('mousemove', px, py, 'mousedown', 1, 'mousemove_relative', '--',
                     self.rng.randrange(-80, 80), self.rng.randrange(-60, 60), 'mouseup', 1)
        elif r < 0.70:
            self.xdo('mousemove', px, py, 'click', self.rng.choice([4, 5]))
        else:
            keys = ['0', '1', '2', '3', '4', '5', '6', '7', '8', '9', 'r', 's', 'Return',
                    'Right', 'Left', 'Next', 'Prior', 'n', 'b', 'space', 'period', 'c',
                    'Delete', 'Escape', 'Tab', 'Up', 'Down', 'a', 'KP_Divide', 'KP_Multiply']
            self.key(w, self.rng.choice(keys))

    def close_politely(self):
        """Closes the control panel as a user does and answers the question."""
        atoms = (self.dpy.intern_atom('WM_PROTOCOLS'), self.dpy.intern_atom('WM_DELETE_WINDOW'))
        for _ in range(20):
            if self.proc.poll() is not None:
                return
            # Any dialog still open is dismissed first.
            for w, *_ in self.windows():
                name = self.title(w)
                if '集中操作盤' in name or 'ルトミア - 型番' in name:
                    continue
                self.key(w, 'Escape')
            for w, *_ in self.windows():
                if '集中操作盤' in self.title(w):
                    ev = protocol.event.ClientMessage(window=w, client_type=atoms[0],
                                                      data=(32, [atoms[1], X.CurrentTime, 0, 0, 0]))
                    w.send_event(ev)
                    self.dpy.flush()
            time.sleep(0.7)
            # The exit question: Yes is its default button.
            for w, *_ in self.windows():
                if 'ルトミアの終了確認' in self.title(w):
                    self.key(w, 'Return')
            time.sleep(0.7)

    # --- the run ----------------------------------------------------------

    def run(self):
        self.start()
        if self.failures:
            return self.finish()
        end = time.time() + self.seconds
        away_since = None
        baseline = None
        started = time.time()
        actions = 0
        while time.time() < end:
            if self.proc.poll() is not None:
                self.fail('the program ended (exit status %d) after %d actions'
                          % (self.proc.returncode, actions))
                break
            self.act()
            actions += 1
            time.sleep(self.rng.uniform(0.02, 0.15))
            wchan, rss = self.main_thread_state()
            if wchan is None:
                continue
            # Waiting for events (poll) is the answering state; a modal dialog
            # or a blocking sound wait is an event loop too.
            waiting = 'poll' in wchan or 'select' in wchan
            now = time.time()
            if waiting:
                away_since = None
            elif away_since is None:
                away_since = now
            elif now - away_since > HANG_SECONDS:
                self.fail('the user-interface thread has been away from its event loop '
                          'for %.0f s (in %s)' % (now - away_since, wchan or 'running'))
                break
            if baseline is None and now - started > min(60, self.seconds / 2):
                baseline = rss
            if baseline is not None and rss - baseline > RSS_GROWTH_MB:
                self.fail('memory grew from %d MB to %d MB' % (baseline, rss))
                break
        print('monkey: %d actions in %.0f s' % (actions, time.time() - started), flush=True)
        if self.proc.poll() is None:
            self.close_politely()
            try:
                self.proc.wait(timeout=20)
            except subprocess.TimeoutExpired:
                self.fail('the program did not end after its exit question was answered')
                self.proc.send_signal(signal.SIGKILL)
                self.proc.wait()
            if self.proc.returncode != 0 and not self.failures:
                self.fail('the program exited with status %d' % self.proc.returncode)
        return self.finish()

    def finish(self):
        for name in sorted(os.listdir(self.work)):
            if name.startswith('sanitizer'):
                with open(os.path.join(self.work, name), errors='replace') as f:
                    report = f.read()
                if report.strip():
                    self.fail('sanitizer report %s:\n%s' % (name, report[:4000]))
        if self.failures:
            print('monkey: %d failure(s); the program\'s output is in %s'
                  % (len(self.failures), self.work))
            return 1
        print('monkey: passed')
        return 0


def main():
    if len(sys.argv) != 5:
        print(__doc__)
        return 2
    program, seconds, seed, work = sys.argv[1], float(sys.argv[2]), int(sys.argv[3]), sys.argv[4]
    return Monkey(program, seconds, seed, work).run()


if __name__ == '__main__':
    sys.exit(main())
