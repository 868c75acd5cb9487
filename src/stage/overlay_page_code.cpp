#include "stage/overlay_page_code.h"

namespace stanzo::stage {

namespace {

constexpr char kStyle[] = R"css(
html, body { margin: 0; width: 100%; height: 100%; overflow: hidden; background: transparent; }
#frame { position: absolute; overflow: hidden; }
.m {
  position: absolute; left: 0; top: 0; margin: 0; visibility: hidden; white-space: pre;
  font-family: "DejaVu Sans", "Liberation Sans", Arial, sans-serif; font-weight: bold;
  line-height: normal;
}
)css";

// Mirrors stage_layout.cpp and stage_view.cpp; keep them in step. The feed
// follows, then kTail.
constexpr char kDraw[] = R"js(
'use strict';
(function () {
  const FRAME_HEIGHT = 720, MAX_LINES = 200, MAX_LINE_CHARS = 1000;
  const solid = { black: '#000000', green: '#00ff00' };
  const wanted = new URLSearchParams(location.search).get('background');
  if (Object.prototype.hasOwnProperty.call(solid, wanted)) {
    document.documentElement.style.background = solid[wanted];
  }
  const frame = document.getElementById('frame');
  const boxes = ['m1', 'm2', 'm3'].map(function (id) { return document.getElementById(id); });
  let state = null;
  let receivedAt = 0;
  let timers = [];

  // C++ rounding and division, so both sides place to the same pixel.
  const lround = function (v) { return Math.sign(v) * Math.round(Math.abs(v)); };
  const half = function (v) { return Math.trunc(v / 2); };
  const scale = function (length, h) { return lround(length * h / FRAME_HEIGHT); };

  function fitFrame(w, h) {
    if (w <= 0 || h <= 0) return { x: 0, y: 0, w: 0, h: 0 };
    let fw = w, fh = h;
    if (w * 9 <= h * 16) fh = Math.trunc(w * 9 / 16); else fw = Math.trunc(h * 16 / 9);
    return { x: half(w - fw), y: half(h - fh), w: fw, h: fh };
  }
  function place(W, H, w, h, p, x, y) {
    if (p < 0) return [x, y];
    const px = (p & 1) ? x : (p & 2) ? W - w - x : half(W) - half(w);
    const py = (p & 4) ? y : (p & 8) ? H - h - y : half(H) - half(h);
    return [px, py];
  }
  function alignment(p) {
    return (p < 0 || (p & 1)) ? 'left' : (p & 2) ? 'right' : 'center';
  }
  function outline(r, shadow) {
    const parts = [];
    for (let i = 0; i < 16; ++i) {
      const a = i * Math.PI / 8;
      parts.push((r * Math.cos(a)).toFixed(2) + 'px ' + (r * Math.sin(a)).toFixed(2) + 'px 0 #000');
    }
    parts.push(shadow + 'px ' + shadow + 'px 0 rgba(0,0,0,0.6)');
    return parts.join(', ');
  }
  function shows(m, now) {
    return typeof m.text === 'string' && m.text !== '' &&
        (m.remaining === 0 || (m.remaining > 0 && now - receivedAt < m.remaining));
  }

  function draw() {
    const f = fitFrame(window.innerWidth, window.innerHeight);
    frame.style.left = f.x + 'px';
    frame.style.top = f.y + 'px';
    frame.style.width = f.w + 'px';
    frame.style.height = f.h + 'px';
    if (!state) return;
    const now = performance.now();
    state.m.forEach(function (m, i) {
      const box = boxes[i];
      if (!shows(m, now)) {
        box.style.visibility = 'hidden';
        box.textContent = '';
        return;
      }
      const px = Math.max(1, m.size === 0 ? lround(f.h / 16) : scale(m.size, f.h));
      const line = Math.max(1, px / 10), shadow = Math.max(1, Math.trunc(px / 20));
      const pad = Math.trunc(line / 2) + 1;
      box.textContent = m.text.split('\n').slice(0, MAX_LINES)
          .map(function (l) { return l.slice(0, MAX_LINE_CHARS); }).join('\n');
      box.style.fontSize = px + 'px';
      box.style.padding = pad + 'px ' + (pad + shadow) + 'px ' + (pad + shadow) + 'px ' + pad + 'px';
      box.style.color = m.color;
      box.style.opacity = String(m.opacity / 255);
      box.style.textAlign = alignment(m.position);
      box.style.textShadow = outline(line / 2, shadow);
      const at = place(f.w, f.h, box.offsetWidth, box.offsetHeight, m.position,
                       scale(m.x, f.h), scale(m.y, f.h));
      box.style.left = at[0] + 'px';
      box.style.top = at[1] + 'px';
      box.style.visibility = 'visible';
    });
  }

  function receive(text) {
    let next;
    try { next = JSON.parse(text); } catch (e) { return; }
    if (!next || !Array.isArray(next.m) || next.m.length !== boxes.length) return;
    state = next;
    receivedAt = performance.now();
    timers.forEach(clearTimeout);
    timers = state.m.filter(function (m) { return m.remaining > 0; })
        .map(function (m) { return setTimeout(draw, m.remaining + 1); });
    draw();
  }
)js";

// Server-sent events reconnect on their own. The feed's path follows.
constexpr char kFeed[] = R"js(
  function connect() {
    const feed = new EventSource(FEED);
    feed.onmessage = function (e) { receive(e.data); };
  }
)js";

constexpr char kTail[] = R"js(
  window.addEventListener('resize', draw);
  draw();
  connect();
})();
)js";

}  // namespace

const char* OverlayPageStyle() {
  return kStyle;
}

std::string OverlayPageScript(const std::string& feedPath) {
  // The path is the server's own constant, never a request's text.
  return std::string(kDraw) + "  const FEED = '" + feedPath + "';" + kFeed + kTail;
}

const char* OverlayPageBody() {
  return "<div id=\"frame\"><div class=\"m\" id=\"m1\"></div>"
         "<div class=\"m\" id=\"m2\"></div><div class=\"m\" id=\"m3\"></div></div>";
}

}  // namespace stanzo::stage
