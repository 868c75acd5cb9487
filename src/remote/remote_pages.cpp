#include "remote/remote_pages.h"

#include "stage/overlay_page_code.h"

namespace stanzo::remote {

namespace {

constexpr char kHead[] =
    "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">\n"
    "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n";

constexpr char kStyle[] = R"css(
:root { color-scheme: dark; }
html, body { margin: 0; background: #111; color: #eee; font-family: "DejaVu Sans", Arial, sans-serif; }
button { font: inherit; }
/* The remote: the queue scrolls between a status line and the buttons. */
body.remote { display: flex; flex-direction: column; height: 100vh; height: 100dvh; }
#status { padding: 0.5em 1em; font-size: 1rem; background: #222; }
#status.off { background: #7a1f1f; }
#queue { flex: 1; overflow-y: auto; margin: 0; padding: 0; list-style: none; }
#queue li { padding: 0.7em 1em; border-bottom: 1px solid #2a2a2a; white-space: pre-wrap;
            overflow-wrap: anywhere; cursor: pointer; min-height: 1.2em; }
#queue li.command { color: #888; font-size: 0.85em; }
#queue li.live { background: #1d4d1d; }
#queue li.next { outline: 3px solid #e0b000; outline-offset: -3px; }
#queue li.live::before { content: "\25B6  "; }
#queue li.next::after { content: "  \2190 next"; color: #e0b000; }
#buttons { display: flex; gap: 0.5em; padding: 0.5em; background: #222; }
#buttons button { flex: 1; min-height: 4.5rem; font-size: 1.4rem; border: 0; border-radius: 0.4em;
                  color: #fff; background: #444; }
#buttons #next { flex: 2; background: #2563c9; }
#buttons #blank { background: #5a5a5a; }
#buttons button:disabled { opacity: 0.4; }
#error { margin: 0; padding: 0 1em; color: #ff8a8a; min-height: 1.2em; }
/* The monitor: readable across a stage. */
body.monitor { height: 100vh; overflow: hidden; background: #000; display: flex; flex-direction: column;
               justify-content: center; text-align: center; }
#clock { position: fixed; top: 2vh; right: 3vw; font-size: 7vh; color: #aaa;
         font-variant-numeric: tabular-nums; }
#live { font-size: 11vh; font-weight: bold; color: #fff; white-space: pre-wrap; padding: 0 3vw;
        line-height: 1.15; }
#upcoming { margin-top: 6vh; font-size: 6.5vh; color: #e0b000; white-space: pre-wrap; padding: 0 3vw; }
/* The login page. */
body.login form { max-width: 20em; margin: 20vh auto; display: flex; flex-direction: column; gap: 1em;
                  font-size: 1.3rem; padding: 0 1em; }
body.login input, body.login button { font-size: 1.5rem; padding: 0.4em; }
)css";

constexpr char kRemoteScript[] = R"js(
'use strict';
(function () {
  const queue = document.getElementById('queue');
  const status = document.getElementById('status');
  const error = document.getElementById('error');
  const buttons = ['next', 'back', 'blank'].map(function (id) { return document.getElementById(id); });
  let lines = null, selected = null;

  function render(s) {
    status.textContent = !s.connected ? 'Not connected to the player' :
        s.blank ? 'Connected \u2013 blank' : 'Connected';
    status.className = s.connected ? 'ok' : 'off';
    buttons.forEach(function (b) { b.disabled = !s.connected; });
    const same = lines && lines.length === s.queue.length &&
        lines.every(function (t, i) { return t === s.queue[i]; });
    if (!same) {
      lines = s.queue;
      queue.textContent = '';
      lines.forEach(function (text, i) {
        const row = document.createElement('li');
        row.textContent = text;
        if (/^@|^\{init\}/i.test(text)) row.classList.add('command');
        row.addEventListener('click', function () { post('/api/select', { index: i }); });
        queue.appendChild(row);
      });
    }
    Array.prototype.forEach.call(queue.children, function (row, i) {
      row.classList.toggle('live', i === s.live);
      row.classList.toggle('next', i === s.selected);
    });
    if (s.selected !== selected && queue.children[s.selected]) {
      queue.children[s.selected].scrollIntoView({ block: 'center' });
    }
    selected = s.selected;
  }

  function post(path, body) {
    return fetch(path, {
      method: 'POST', headers: { 'Content-Type': 'application/json' },
      body: JSON.stringify(body || {}), credentials: 'same-origin'
    }).then(function (r) {
      if (r.status === 401) { location.href = '/login'; return; }
      return r.json().then(function (j) {
        if (!r.ok) throw new Error(j.error || r.statusText);
        error.textContent = '';
        render(j);
      });
    }).catch(function (e) { error.textContent = e.message; });
  }

  document.getElementById('next').addEventListener('click', function () { post('/api/next'); });
  document.getElementById('back').addEventListener('click', function () { post('/api/back'); });
  document.getElementById('blank').addEventListener('click', function () { post('/api/blank'); });
  const feed = new EventSource('/api/events');
  feed.onmessage = function (e) { render(JSON.parse(e.data)); };
  feed.onerror = function () { status.textContent = 'Reconnecting\u2026'; status.className = 'off'; };
})();
)js";

constexpr char kMonitorScript[] = R"js(
'use strict';
(function () {
  const live = document.getElementById('live');
  const upcoming = document.getElementById('upcoming');
  const clock = document.getElementById('clock');
  function tick() {
    const now = new Date();
    clock.textContent = String(now.getHours()).padStart(2, '0') + ':' +
        String(now.getMinutes()).padStart(2, '0');
  }
  tick();
  setInterval(tick, 1000);
  const feed = new EventSource('/api/events');
  feed.onmessage = function (e) {
    const s = JSON.parse(e.data);
    live.textContent = s.liveText;
    upcoming.textContent = s.nextText;
  };
})();
)js";

std::string Page(const char* title, const char* bodyClass, const std::string& body,
                 const char* script, const char* style = "/remote.css") {
  std::string page = kHead;
  page += "<title>";
  page += title;
  page += "</title>\n<link rel=\"stylesheet\" href=\"";
  page += style;
  page += "\"></head>\n<body class=\"";
  page += bodyClass;
  page += "\">";
  page += body;
  page += "\n<script src=\"";
  page += script;
  page += "\"></script></body></html>\n";
  return page;
}

}  // namespace

std::string LoginPage(bool wrong) {
  std::string page = kHead;
  page +=
      "<title>Stanzo remote: Pin</title>\n<link rel=\"stylesheet\" href=\"/remote.css\">"
      "</head>\n<body class=\"login\"><form method=\"post\" action=\"/login\">"
      "<label for=\"pin\">Pin of this console</label>"
      "<input id=\"pin\" name=\"pin\" type=\"password\" inputmode=\"numeric\" "
      "autocomplete=\"current-password\" autofocus>";
  if (wrong) page += "<p id=\"error\">That Pin is not this console's.</p>";
  page += "<button type=\"submit\">Open</button></form></body></html>\n";
  return page;
}

std::optional<Asset> PageAsset(Route route) {
  // Static: the asset keeps pointing at them.
  static constexpr char kHtml[] = "text/html; charset=utf-8";
  static constexpr char kJs[] = "text/javascript; charset=utf-8";
  static constexpr char kCss[] = "text/css; charset=utf-8";
  switch (route) {
    case Route::kRemotePage:
      return Asset{kHtml, Page("Stanzo remote", "remote",
                               "<div id=\"status\">Connecting\xE2\x80\xA6</div>"
                               "<ol id=\"queue\"></ol><p id=\"error\" role=\"alert\"></p>"
                               "<div id=\"buttons\"><button id=\"back\">Back</button>"
                               "<button id=\"blank\">Blank</button>"
                               "<button id=\"next\">Next</button></div>",
                               "/remote.js")};
    case Route::kMonitorPage:
      return Asset{kHtml, Page("Stanzo monitor", "monitor",
                               "<div id=\"clock\"></div><div id=\"live\"></div>"
                               "<div id=\"upcoming\"></div>",
                               "/monitor.js")};
    case Route::kOverlayPage:
      return Asset{kHtml, Page("Stanzo overlays", "overlay", stage::OverlayPageBody(),
                               "/overlay.js", "/overlay.css")};
    case Route::kLoginPage:
      return Asset{kHtml, LoginPage(false)};
    case Route::kStyle:
      return Asset{kCss, kStyle};
    case Route::kOverlayStyle:
      return Asset{kCss, stage::OverlayPageStyle()};
    case Route::kRemoteScript:
      return Asset{kJs, kRemoteScript};
    case Route::kMonitorScript:
      return Asset{kJs, kMonitorScript};
    case Route::kOverlayScript:
      return Asset{kJs, stage::OverlayPageScript("/api/overlay-events")};
    default:
      return std::nullopt;
  }
}

const char* PagePolicy(Route route) {
  // The overlay page is made to be embedded (a browser source may frame it).
  return route == Route::kOverlayPage
             ? "default-src 'none'; script-src 'self'; style-src 'self'; connect-src 'self'; "
               "base-uri 'none'; form-action 'none'; frame-ancestors *"
             : "default-src 'none'; script-src 'self'; style-src 'self'; connect-src 'self'; "
               "base-uri 'none'; form-action 'self'; frame-ancestors 'none'";
}

}  // namespace stanzo::remote
