#!/usr/bin/python3
"""Drives headless Chromium over the DevTools protocol through a built portal.

Opens the index from disk, checks that its footer says how old the portal is
(from status.js), clicks column headings and checks that the rows
are reordered, types into the search box and checks the filter, follows the
link of a player with a hostile name to that player's page and sorts a table
there, checks that both pages and the awards page fit 360 and 1920 px and follow
the light or dark preference, that their charts draw within 360 px in colours of
the scheme and say what they show, that no name ran as markup, and that the console
stayed free of errors. Prints one line per failed check; exit code 0 when all passed, 77 (and why)
when Chromium cannot be started or driven here.

    browser_check.py CHROMIUM SITE_FOLDER HOSTILE_NAME...
"""
import json
import os
import pathlib
import shutil
import subprocess
import sys
import tempfile
import time
import urllib.request

# Exit code of a check that could not run: the test skips with the reason.
CANNOT_RUN = 77

try:
    import websocket
except ImportError:
    print('python3-websocket is needed to drive chromium: apt-get install python3-websocket')
    sys.exit(CANNOT_RUN)

failures = []


class CannotStart(Exception):
    pass


def check(condition, what):
    if not condition:
        failures.append(what)
    return condition


class Browser:
    def __init__(self, chromium, profile):
        args = [chromium, '--headless', '--disable-gpu', '--no-first-run', '--disable-background-networking',
                '--disable-component-update', '--disable-sync', '--remote-debugging-port=0',
                '--remote-allow-origins=*', '--window-size=1280,900', '--user-data-dir=' + profile, 'about:blank']
        if os.geteuid() == 0:
            args.insert(1, '--no-sandbox')
        try:
            self.process = subprocess.Popen(args, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
        except OSError as e:
            raise CannotStart('%s cannot be run: %s' % (chromium, e))
        address, said = None, []
        deadline = time.time() + 60
        while address is None and time.time() < deadline:
            line = self.process.stderr.readline()
            if not line:
                break
            said.append(line.rstrip())
            if line.startswith('DevTools listening on '):
                address = line.split()[-1]
        if address is None:
            self.process.kill()
            self.process.wait()
            raise CannotStart('chromium did not open its DevTools port; it said:\n' + '\n'.join(said[-10:]))
        port = address.split('/')[2].split(':')[1]
        with urllib.request.urlopen('http://127.0.0.1:%s/json/list' % port, timeout=30) as reply:
            page = next(t for t in json.load(reply) if t['type'] == 'page')
        self.socket = websocket.create_connection(page['webSocketDebuggerUrl'], timeout=30)
        self.next_id = 0
        self.events = []
        for domain in ('Page', 'Runtime', 'Log'):
            self.call(domain + '.enable')

    def call(self, method, **params):
        self.next_id += 1
        self.socket.send(json.dumps({'id': self.next_id, 'method': method, 'params': params}))
        while True:
            message = json.loads(self.socket.recv())
            if message.get('id') == self.next_id:
                if 'error' in message:
                    raise RuntimeError('%s: %s' % (method, message['error']))
                return message.get('result', {})
            self.events.append(message)

    def wait_for(self, method, seconds=30):
        deadline = time.time() + seconds
        while time.time() < deadline:
            for i, event in enumerate(self.events):
                if event.get('method') == method:
                    return self.events.pop(i)
            self.socket.settimeout(max(0.1, deadline - time.time()))
            self.events.append(json.loads(self.socket.recv()))
        raise RuntimeError('no ' + method)

    def open(self, url):
        self.call('Page.navigate', url=url)
        self.wait_for('Page.loadEventFired')

    def value(self, expression):
        result = self.call('Runtime.evaluate', expression=expression, returnByValue=True, awaitPromise=True)
        if 'exceptionDetails' in result:
            raise RuntimeError('%s: %s' % (expression, result['exceptionDetails']))
        return result['result'].get('value')

    def click(self, selector):
        """A real mouse click in the middle of the element."""
        # The box is taken after two frames: a change of the emulated screen
        # just before lays the page out anew, and a box taken earlier can
        # point at another element.
        box = self.value('(async () => { const e = document.querySelector(%s); e.scrollIntoView({block: "center"});'
                         ' for (let i = 0; i < 2; ++i) await new Promise(r => requestAnimationFrame(r));'
                         ' const r = e.getBoundingClientRect(); return [r.x + r.width / 2, r.y + r.height / 2]; })()'
                         % json.dumps(selector))
        for kind in ('mousePressed', 'mouseReleased'):
            self.call('Input.dispatchMouseEvent', type=kind, x=box[0], y=box[1], button='left', clickCount=1)

    def errors(self):
        found = []
        for event in self.events:
            method, params = event.get('method'), event.get('params', {})
            if method == 'Runtime.exceptionThrown':
                found.append(params['exceptionDetails'].get('text', 'exception'))
            elif method == 'Runtime.consoleAPICalled' and params.get('type') in ('error', 'assert'):
                found.append('console.' + params['type'])
            elif method == 'Log.entryAdded' and params['entry'].get('level') == 'error':
                found.append(params['entry'].get('text', 'log error'))
        return found

    def close(self):
        self.socket.close()
        self.process.terminate()
        try:
            self.process.wait(10)
        except subprocess.TimeoutExpired:
            self.process.kill()


def column(browser, table, index):
    return browser.value('Array.from(document.querySelectorAll("#%s tbody tr")).filter(r => !r.hidden)'
                         '.map(r => r.cells[%d].textContent)' % (table, index))


def sort_by(browser, table, label):
    browser.click('#%s thead th:nth-child(%d) button' % (table, heading_index(browser, table, label) + 1))
    return column(browser, table, heading_index(browser, table, label))


def heading_index(browser, table, label):
    return browser.value('Array.from(document.querySelectorAll("#%s thead th")).findIndex(h => h.textContent === %s)'
                         % (table, json.dumps(label)))


def fits(browser, width):
    """Whether the open page, at `width` CSS pixels, needs no sideways scrolling."""
    browser.call('Emulation.setDeviceMetricsOverride', width=width, height=800, deviceScaleFactor=1, mobile=width < 600)
    return browser.value('document.documentElement.scrollWidth <= document.documentElement.clientWidth')


def background(browser, scheme):
    browser.call('Emulation.setEmulatedMedia', features=[{'name': 'prefers-color-scheme', 'value': scheme}])
    return browser.value('getComputedStyle(document.body).backgroundColor')


def check_layout(browser, page):
    for width in (360, 1920):
        check(fits(browser, width), '%s fits %d px without scrolling sideways' % (page, width))
    browser.call('Emulation.clearDeviceMetricsOverride')
    check(background(browser, 'light') != background(browser, 'dark'), '%s follows light and dark' % page)
    browser.call('Emulation.setEmulatedMedia', features=[])


def check_charts(browser, page, least):
    """The page's charts at 360 px: images that say what they show, drawn within the width."""
    browser.call('Emulation.setDeviceMetricsOverride', width=360, height=800, deviceScaleFactor=1, mobile=True)
    charts = browser.value('Array.from(document.querySelectorAll("figure.chart svg")).map(s => {'
                           ' const r = s.getBoundingClientRect(); return [s.getAttribute("role"),'
                           ' s.getAttribute("aria-label") || "", r.width, r.height,'
                           ' s.querySelectorAll("rect, path, polyline").length]; })')
    check(len(charts) >= least, '%s shows %d charts or more: %d' % (page, least, len(charts)))
    for role, label, width, height, marks in charts:
        check(role == 'img' and label, '%s: a chart is an image with a text: %r' % (page, label))
        check(0 < width <= 360 and height > 0 and marks > 0, '%s: %r is drawn within 360 px' % (page, label))
    fills = []
    for scheme in ('light', 'dark'):
        browser.call('Emulation.setEmulatedMedia', features=[{'name': 'prefers-color-scheme', 'value': scheme}])
        fills.append(browser.value('getComputedStyle(document.querySelector("figure.chart svg .k1")).fill'))
    check(fills[0] != fills[1] and 'none' not in fills, '%s: the charts follow light and dark: %s' % (page, fills))
    browser.call('Emulation.setEmulatedMedia', features=[])
    browser.call('Emulation.clearDeviceMetricsOverride')


def numbers(texts):
    return [float(t) for t in texts]


def main():
    chromium, site, hostile = sys.argv[1], pathlib.Path(sys.argv[2]), sys.argv[3:]
    profile = tempfile.mkdtemp(prefix='rankhold-chromium-')
    try:
        browser = Browser(chromium, profile)
    except CannotStart as e:
        shutil.rmtree(profile, ignore_errors=True)
        print(e)
        return CANNOT_RUN
    try:
        browser.open((site / 'index.html').as_uri())
        check_layout(browser, 'the index')
        check_charts(browser, 'the index', 2)
        check(browser.value('document.querySelector("footer").textContent').endswith('updated 5 minutes ago'),
              'the footer says how old the portal is')
        players = column(browser, 'ranking', 1)
        kills = numbers(column(browser, 'ranking', 3))
        check(kills == sorted(kills, reverse=True), 'the index comes sorted by kills: %s' % kills)

        by_name = sort_by(browser, 'ranking', 'Player')
        check(by_name == sorted(players, key=str.casefold) or by_name == browser.value(
            '%s.slice().sort((a, b) => a.localeCompare(b))' % json.dumps(players)),
            'Player sorts by name: %s' % by_name)
        check(by_name != players, 'sorting by name reorders the rows')
        check(sort_by(browser, 'ranking', 'Player') == list(reversed(by_name)), 'a second click reverses')
        deaths = numbers(sort_by(browser, 'ranking', 'Deaths'))
        check(deaths == sorted(deaths, reverse=True), 'Deaths sorts by number, highest first: %s' % deaths)
        check(browser.value('document.querySelector("#ranking th[aria-sort]").textContent') == 'Deaths',
              'the sorted column is marked for screen readers')

        browser.click('#find')
        browser.call('Input.insertText', text='ä')
        shown = column(browser, 'ranking', 1)
        check(shown == [p for p in players if 'ä' in p.lower()] and shown, 'the search box filters: %s' % shown)
        check(browser.value('document.querySelector(".search output").textContent') == '%d of %d players' % (
            len(shown), len(players)), 'the search box says how many rows it shows')
        browser.value('(() => { const f = document.querySelector("#find"); f.value = "";'
                      ' f.dispatchEvent(new Event("input")); })()')
        check(len(column(browser, 'ranking', 1)) == len(players), 'an empty search box shows every row')

        for name in hostile:
            check(name in players, 'the hostile name %r shows as text' % name)
        check(browser.value('typeof window.t') == 'undefined', 'no name ran as script')
        check(browser.value('Array.from(document.querySelectorAll("main svg, main img, main script"))'
                            '.filter(e => !e.matches("figure.chart > svg")).length') == 0,
              'no name became an element')

        # The hostile player's own page, reached through its link.
        browser.click('#ranking tbody tr:nth-child(%d) th a' % (browser.value(
            'Array.from(document.querySelectorAll("#ranking tbody tr")).findIndex(r => r.cells[1].textContent'
            ' === %s)' % json.dumps(hostile[0])) + 1))
        browser.wait_for('Page.loadEventFired')
        check(browser.value('document.querySelector("h1").textContent') == hostile[0],
              'the link leads to the player page of %r' % hostile[0])
        check(browser.value('document.title').startswith(hostile[0]), 'its title names the player')
        check_layout(browser, 'the player page')
        check_charts(browser, 'the player page', 2)
        check(browser.value('document.querySelector("footer .updated") !== null'),
              'a page one folder down finds the age beside the script')
        kills = numbers(sort_by(browser, 'last', 'Kills'))
        check(kills == sorted(kills, reverse=True) and len(kills) > 1, 'the player page sorts its games: %s' % kills)
        check(browser.value('typeof window.t') == 'undefined', 'no name ran as script on the player page')

        browser.open((site / 'awards.html').as_uri())
        check_layout(browser, 'the awards page')
        check(browser.value('document.querySelectorAll("#medals tbody tr").length') > 0, 'the awards page has medals')

        errors = browser.errors()
        check(not errors, 'the console stayed clean: %s' % errors)
    finally:
        browser.close()
        shutil.rmtree(profile, ignore_errors=True)
    for failure in failures:
        print('FAILED: ' + failure)
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
