--[[
Stanzo bridge: a VLC 3 Lua interface that speaks the console's command
dialect on a TCP port and drives three marquee overlays m1, m2, m3.

The console addresses overlays with lines such as "@m1 marq-marquee Hello",
an object-command syntax VLC 3's Lua command line interface ("cli") no
longer has. This interface accepts those lines itself, keeps the settings
of every overlay, and shows them by setting the video output's
"sub-source" variable to a chain of three "marq{...}" sources. Every other
line is passed to VLC's own command line interface, reached on a private
loopback port, and its answer is passed back, so ordinary commands such as
"status", "pause" or a camera's "add ..." keep working.

Start (see vlc/README.md; install this file with vlc/install.sh first):

  vlc --extraintf=luaintf:cli --lua-intf=stanzo_bridge \
      --cli-host=127.0.0.1:2324

Name VLC's CLI "cli" (or "luacli") and its address --cli-host: those work
on every platform. On Windows "rc" names VLC's older C interface, and
--rc-host is read by that one as well.

Options, all optional, through --lua-config (note that --lua-config makes
VLC's own CLI ignore --cli-host, so name its address there as well):

  --lua-config="stanzo_bridge={host='0.0.0.0:2323'},cli={host='127.0.0.1:2324'}"

  host   address and port to listen on for the console (default 0.0.0.0:2323)
  cli    address of VLC's CLI; default: the "cli" entry of --lua-config,
         else --rc-host, else --cli-host (VLC's own order). Without one,
         only the marquee commands work.

Pitfalls, measured on VLC 3.0.24:
  - Never start "cli" without a host: it then reads standard input, and with
    standard input at end of file it shuts VLC down at once.
  - vlc.net.connect_tcp and accept return a usable-looking number even on
    failure; a zero-length send (-1 on failure) tells them apart.
  - vlc.net.recv returns nil both for "no data yet" and for end of stream,
    and its buffer lives on the stack: read only after poll reports the
    descriptor ready, and in modest pieces.
  - The marquee text goes through strftime: "%" has to be sent as "%%".
  - A real line feed inside a quoted chain value starts a new line on
    screen; "$_" does not, so it is translated here.
]]

-- Raise with every change of this file: the Windows console installs its
-- copy for VLC only over a missing or older one (a lower number).
local BRIDGE_VERSION = 2

local MAX_LINE = 32768           -- bytes per command line, line feed excluded
local MAX_QUOTED = 40            -- bytes of operator input quoted in an error
local MAX_OUT = 4 * 1024 * 1024  -- unsent bytes per peer before it is dropped
local MAX_CLIENTS = 16
-- Lines waiting for their turn per peer; beyond this the peer is not read
-- until the CLI catches up, and the kernel's flow control holds it back.
local MAX_QUEUE = 1024
local READ_CHUNK = 16384
local CLI_STALL_US = 3000000     -- stop keeping replies in order after this

local PROMPT = "> "
local EOL = "\r\n"

local INSTANCES = { m1 = 1, m2 = 2, m3 = 3 }
local INSTANCE_NAMES = { "m1", "m2", "m3" }

-- The settable marquee variables, with the ranges of the rule book in
-- vlc/README.md (the rehearsal stage has the same; the shared cases in
-- tests/data/overlay_cases.txt hold both to them). They keep VLC safe:
-- its marquee multiplies the timeout by 1000 in a 32-bit int, and the
-- offsets by 10000 times the picture's scale in one too; fonts past 1000
-- pixels only make huge glyph bitmaps.
local VARS = {
  marquee  = { text = true },
  position = { min = -1, max = 15 },
  size     = { min = 0, max = 1000 },
  color    = { min = 0, max = 0xFFFFFF },
  opacity  = { min = 0, max = 255 },
  x        = { min = -10000, max = 10000 },
  y        = { min = -10000, max = 10000 },
  refresh  = { min = 0, max = 86400000 },
  timeout  = { min = 0, max = 2147483 },
}
local VAR_ORDER = { "marquee", "position", "size", "color", "opacity", "x", "y",
                    "refresh", "timeout" }
local KNOWN_VARS = "marq-" .. table.concat(VAR_ORDER, ", marq-")

------------------------------------------------------------------------
-- Pure helpers: no VLC calls.

local function is_valid_utf8(s)
  local i, n = 1, #s
  while i <= n do
    local c = s:byte(i)
    local len, min
    if c < 0x80 then len, min = 1, 0
    elseif c >= 0xC2 and c <= 0xDF then len, min = 2, 0x80
    elseif c >= 0xE0 and c <= 0xEF then len, min = 3, 0x800
    elseif c >= 0xF0 and c <= 0xF4 then len, min = 4, 0x10000
    else return false end
    if i + len - 1 > n then return false end
    local cp = (len == 1) and c or (c % (2 ^ (7 - len)))
    for k = 1, len - 1 do
      local b = s:byte(i + k)
      if b < 0x80 or b > 0xBF then return false end
      cp = cp * 64 + (b - 0x80)
    end
    if cp < min or cp > 0x10FFFF or (cp >= 0xD800 and cp <= 0xDFFF) then
      return false
    end
    i = i + len
  end
  return true
end

-- True when `s` holds a control byte other than TAB.
local function has_control(s)
  return s:find("[%z\1-\8\10-\31\127]") ~= nil
end

-- Blanks are spaces and tabs.
local function skip_blanks(s)
  return (s:gsub("^[ \t]+", ""))
end

local function trim_blanks(s)
  return (s:gsub("^[ \t]+", ""):gsub("[ \t]+$", ""))
end

-- The first blank-separated word, and the rest from the blank after it.
local function first_word(s)
  return s:match("^([^ \t]*)(.*)$")
end

-- Operator input quoted in an error: at most MAX_QUOTED bytes, cut back to
-- the start of a UTF-8 character the cut would split, then "...".
local function quote(s)
  if #s <= MAX_QUOTED then return s end
  local n = MAX_QUOTED
  while n > 0 do
    local b = s:byte(n + 1)
    if b < 0x80 or b >= 0xC0 then break end
    n = n - 1
  end
  return s:sub(1, n) .. "..."
end

-- An optional sign, then decimal digits or 0x and hex digits. Values too
-- large for any range come back as math.huge.
local function parse_int(s)
  local sign, body = s:match("^([+-]?)(.*)$")
  local digits, base = body:match("^0[xX](%x+)$"), 16
  if not digits then
    digits, base = body:match("^(%d+)$"), 10
  end
  if not digits then return nil end
  digits = digits:gsub("^0+", "")
  local v = math.huge
  if digits == "" then
    v = 0
  elseif #digits <= 12 then
    v = tonumber(digits, base)
  end
  if sign == "-" then v = -v end
  return v
end

-- The text as the renderer must receive it to show what was typed:
-- "$_" is a line break and "%" is literal despite strftime.
local function marquee_text(s)
  return (s:gsub("%$_", "\n"):gsub("%%", "%%%%"))
end

-- A value quoted for a module chain: inside double quotes only backslash
-- and the double quote need escaping; "," ":" "{" "}" and line feeds are
-- taken literally.
local function chain_quote(s)
  return '"' .. s:gsub('[\\"]', "\\%0") .. '"'
end

-- Splits a module chain at the top-level ":" separators, respecting quotes
-- and braces.
local function split_chain(chain)
  local parts, cur, depth, quote, i = {}, {}, 0, nil, 1
  while i <= #chain do
    local ch = chain:sub(i, i)
    if quote then
      if ch == "\\" then
        cur[#cur + 1] = chain:sub(i, i + 1)
        i = i + 1
      else
        if ch == quote then quote = nil end
        cur[#cur + 1] = ch
      end
    elseif ch == '"' or ch == "'" then
      quote = ch
      cur[#cur + 1] = ch
    elseif ch == "{" then
      depth = depth + 1
      cur[#cur + 1] = ch
    elseif ch == "}" then
      depth = depth - 1
      cur[#cur + 1] = ch
    elseif ch == ":" and depth <= 0 then
      parts[#parts + 1] = table.concat(cur)
      cur = {}
    else
      cur[#cur + 1] = ch
    end
    i = i + 1
  end
  parts[#parts + 1] = table.concat(cur)
  return parts
end

-- The part of a start-up sub-source chain worth keeping next to ours:
-- every source except marquees (a "marq@name" entry would even make VLC
-- drop the whole chain).
local function foreign_sources(chain)
  local kept = {}
  for _, part in ipairs(split_chain(chain or "")) do
    local name = part:match("^%s*([%w_%-]*)")
    if name ~= "" and name ~= "marq" then kept[#kept + 1] = part end
  end
  return kept
end

-- The overlays start in the layout of the console's default init
-- commands (m1 centred and large, m2 small at the bottom), so the first
-- slide reads right before the operator has sent the init list.
local START_LAYOUT = {
  m1 = { position = 0, size = 50, refresh = 100 },
  m2 = { position = 8, size = 20, refresh = 100 },
}

local function new_state()
  local st = {}
  for i, name in ipairs(INSTANCE_NAMES) do
    st[i] = { marquee = "" }
    for var, v in pairs(START_LAYOUT[name] or {}) do st[i][var] = v end
  end
  return st
end

local function build_chain(state, foreign)
  local parts = {}
  for _, f in ipairs(foreign) do parts[#parts + 1] = f end
  for i = 1, #INSTANCE_NAMES do
    local inst, opts = state[i], {}
    for _, name in ipairs(VAR_ORDER) do
      local v = inst[name]
      if v ~= nil then
        if VARS[name].text then
          -- An empty value would fall back to the module's default text
          -- ("VLC"); a blank shows nothing.
          local text = marquee_text(v)
          if text == "" then text = " " end
          opts[#opts + 1] = name .. "=" .. chain_quote(text)
        else
          opts[#opts + 1] = name .. "=" .. string.format("%d", v)
        end
      end
    end
    parts[#parts + 1] = "marq{" .. table.concat(opts, ",") .. "}"
  end
  return table.concat(parts, ":")
end

-- Applies one "@name command value" line to `state`. Returns nil when it
-- took effect, else the error message to send back.
local function apply_marquee_command(state, line)
  local word, rest = first_word(skip_blanks(line))
  local name = word:sub(2)
  if name == "" then
    return "Missing marquee name after `@'. Known: m1, m2, m3."
  end
  local idx = INSTANCES[name]
  if not idx then
    return "Unknown marquee `" .. quote(name) .. "'. Known: m1, m2, m3."
  end
  local cmd
  cmd, rest = first_word(skip_blanks(rest))
  if cmd == "" then
    return "Missing command after `@" .. name .. "'."
  end
  local var = cmd:match("^marq%-(%a+)$")
  if not var or not VARS[var] then
    return "Unknown marquee variable `" .. quote(cmd) .. "'. Known: " .. KNOWN_VARS .. "."
  end
  if VARS[var].text then
    -- Blanks before the text are skipped; none at all is an empty text,
    -- which clears the overlay.
    local text = skip_blanks(rest)
    if not is_valid_utf8(text) then
      return "Text for `" .. cmd .. "' is not valid UTF-8; ignored."
    end
    state[idx].marquee = text:gsub("\t", " ")
    return nil
  end
  local value = trim_blanks(rest)
  if value == "" then
    return "Missing value for `" .. cmd .. "'."
  end
  local range = VARS[var]
  local v = parse_int(value)
  if not v or v < range.min or v > range.max then
    return string.format("Bad value `%s' for `%s': expected an integer from %d to %d.",
                         quote(value), cmd, range.min, range.max)
  end
  state[idx][var] = v
  return nil
end

-- "host:port" with defaults for either half.
local function parse_address(s, default_host, default_port)
  if type(s) ~= "string" then return default_host, default_port end
  local host, port = s:match("^(.*):(%d+)$")
  if not host then host, port = s, nil end
  if host == "" or host == "*" then host = default_host end
  return host, tonumber(port) or default_port
end

------------------------------------------------------------------------
-- VLC side.

local function log_info(msg) vlc.msg.info("stanzo bridge: " .. msg) end
local function log_err(msg) vlc.msg.err("stanzo bridge: " .. msg) end

-- Evaluates --lua-config the way VLC does, but in an empty environment,
-- to find the address VLC's own CLI listens on.
local function cli_host_from_lua_config()
  local ok, text = pcall(vlc.var.inherit, nil, "lua-config")
  if not ok or type(text) ~= "string" or text == "" then return nil end
  local chunk = "return {" .. text .. "}"
  local fn
  if setfenv then
    fn = loadstring(chunk)
    if fn then setfenv(fn, {}) end
  else
    fn = load(chunk, "lua-config", "t", {})
  end
  if not fn then return nil end
  local ok2, t = pcall(fn)
  if ok2 and type(t) == "table" and type(t.cli) == "table" and type(t.cli.host) == "string" then
    return t.cli.host
  end
  return nil
end

local function find_cli_address()
  local conf = config or {}
  if type(conf.cli) == "string" then return conf.cli end
  local from_config = cli_host_from_lua_config()
  if from_config then return from_config end
  for _, opt in ipairs({ "rc-host", "cli-host" }) do
    local ok, v = pcall(vlc.var.inherit, nil, opt)
    if ok and type(v) == "string" and v ~= "" then return v end
  end
  return nil
end

local POLLIN, POLLOUT = vlc.net.POLLIN, vlc.net.POLLOUT

local function has(revents, flag)
  return revents ~= nil and revents % (2 * flag) >= flag
end

-- Error, hang-up or invalid descriptor.
local function broken(revents)
  return has(revents, vlc.net.POLLERR) or has(revents, vlc.net.POLLHUP) or
      has(revents, vlc.net.POLLNVAL)
end

-- A descriptor from connect_tcp or accept that is really open.
local function usable(fd)
  return type(fd) == "number" and fd >= 0 and vlc.net.send(fd, "") == 0
end

local state = new_state()
local foreign = {}
local playlist = vlc.object.playlist()
local applied_to_playlist = false

-- Shows the current state: on the playlist, so that every video output
-- created from now on inherits it, and on the current video output.
local function apply_state()
  local chain = build_chain(state, foreign)
  -- What VLC is given, for whoever debugs an overlay (and for the tests,
  -- which read the overlays' state here).
  vlc.msg.dbg("stanzo bridge: overlays " .. chain)
  if applied_to_playlist then
    pcall(vlc.var.set, playlist, "sub-source", chain)
  else
    local ok, err = pcall(vlc.var.create, playlist, "sub-source", chain)
    if ok then
      applied_to_playlist = true
    else
      log_err("cannot keep the overlays for new video outputs: " .. tostring(err))
    end
  end
  local vout = vlc.object.vout()
  if vout then
    local ok, err = pcall(vlc.var.set, vout, "sub-source", chain)
    if not ok then log_err("cannot set the overlays: " .. tostring(err)) end
  end
end

local cli_host, cli_port
local clients = {}  -- list of client records

local function greeting_without_cli()
  return "VLC media player " .. vlc.misc.version() .. "\n" ..
      "VLC's command line interface is not reachable; only the @m1, @m2 and @m3 " ..
      "marquee commands work." .. EOL .. PROMPT
end

local function open_client(fd)
  local c = {
    fd = fd, inbuf = "", out = "", queue = {}, qhead = 1, qtail = 0,
    busy = false, busy_since = 0,
    cli = nil, cli_out = "", cli_tail = "", discarding = false, eof = false,
    closing = false,
  }
  if cli_host then
    local ok, cfd = pcall(vlc.net.connect_tcp, cli_host, cli_port)
    if ok and usable(cfd) then
      c.cli = cfd
      c.busy = true  -- VLC's greeting comes first
      c.busy_since = vlc.misc.mdate()
    else
      log_err(string.format("VLC's CLI is not reachable at %s:%d", cli_host, cli_port))
    end
  end
  if not c.cli then c.out = greeting_without_cli() end
  clients[#clients + 1] = c
  return c
end

local function close_client(c)
  if c.fd then vlc.net.close(c.fd) end
  if c.cli then vlc.net.close(c.cli) end
  c.fd, c.cli = nil, nil
end

-- The queue is c.queue[qhead..qtail]: adding and taking cost the same
-- however long it is.
local function queued(c)
  return c.qtail - c.qhead + 1
end

local function enqueue(c, item)
  c.qtail = c.qtail + 1
  c.queue[c.qtail] = item
end

local function dequeue(c)
  local item = c.queue[c.qhead]
  c.queue[c.qhead] = nil
  c.qhead = c.qhead + 1
  return item
end

local function queue_reply(c, text)
  enqueue(c, { text = text })
end

-- Moves queued items out in order: local replies to the console, command
-- lines to the CLI one at a time, each after the previous one's prompt.
local function pump(c)
  while queued(c) > 0 do
    if c.busy then
      if vlc.misc.mdate() - c.busy_since < CLI_STALL_US then return end
      c.busy = false
    end
    local item = dequeue(c)
    if item.cli_line then
      if c.cli then
        c.cli_out = c.cli_out .. item.cli_line .. "\n"
        c.busy = true
        c.busy_since = vlc.misc.mdate()
      else
        c.out = c.out .. "VLC's command line interface is not reachable; `" ..
            item.cli_line:sub(1, 40) .. "' was not sent." .. EOL .. PROMPT
      end
    else
      c.out = c.out .. item.text
    end
  end
end

-- Returns true when the line changed the overlays.
local function handle_line(c, line)
  if has_control(line) then
    queue_reply(c, "The line holds control characters; ignored." .. EOL .. PROMPT)
    return false
  end
  if line:match("^[ \t]*@") then
    local err = apply_marquee_command(state, line)
    if err then
      queue_reply(c, err .. EOL .. PROMPT)
      return false
    end
    queue_reply(c, PROMPT)
    return true
  end
  enqueue(c, { cli_line = line })
  return false
end

-- Splits received bytes into lines. Returns true when the overlays changed.
local function feed(c, data)
  local changed = false
  -- Lines are cut out by position: copying the rest of the buffer after
  -- every line would cost the square of the lines in one read.
  local buf, pos = c.inbuf .. data, 1
  while true do
    local nl = buf:find("\n", pos, true)
    if not nl then break end
    local line = buf:sub(pos, nl - 1)
    pos = nl + 1
    if c.discarding then
      c.discarding = false
    elseif #line > MAX_LINE then
      -- Completed within one read after a long partial line.
      queue_reply(c, string.format("Line longer than %d bytes; ignored.", MAX_LINE) ..
                  EOL .. PROMPT)
    else
      if line:sub(-1) == "\r" then line = line:sub(1, -2) end
      local ok, result = pcall(handle_line, c, line)
      if not ok then
        log_err("internal error: " .. tostring(result))
        queue_reply(c, "Internal error; the line was ignored." .. EOL .. PROMPT)
      elseif result then
        changed = true
      end
    end
  end
  c.inbuf = buf:sub(pos)
  if #c.inbuf > MAX_LINE then
    if not c.discarding then
      queue_reply(c, string.format("Line longer than %d bytes; ignored.", MAX_LINE) ..
                  EOL .. PROMPT)
    end
    c.discarding = true
    c.inbuf = ""
  end
  return changed
end

local function on_cli_data(c, data)
  c.out = c.out .. data
  c.cli_tail = (c.cli_tail .. data):sub(-#PROMPT)
  if c.busy and c.cli_tail == PROMPT then
    c.busy = false
  end
end

local function flush(fd, buf)
  local n = vlc.net.send(fd, buf)
  if type(n) == "number" and n > 0 then return buf:sub(n + 1) end
  return buf
end

local function serve(listener)
  local listen_fds = { listener:fds() }
  while true do
    local set = {}
    for _, fd in ipairs(listen_fds) do set[fd] = POLLIN end
    for _, c in ipairs(clients) do
      local ev = 0
      if not c.eof and not c.closing and queued(c) < MAX_QUEUE then ev = ev + POLLIN end
      if c.out ~= "" then ev = ev + POLLOUT end
      set[c.fd] = ev
      if c.cli then
        set[c.cli] = POLLIN + ((c.cli_out ~= "") and POLLOUT or 0)
      end
    end
    vlc.net.poll(set)

    for _, lfd in ipairs(listen_fds) do
      if set[lfd] and set[lfd] ~= 0 then
        local fd = listener:accept()
        if usable(fd) then
          if #clients >= MAX_CLIENTS then
            vlc.net.send(fd, "Too many connections." .. EOL)
            vlc.net.close(fd)
          else
            open_client(fd)
            log_info("console connected")
          end
        end
      end
    end

    local changed = false
    for _, c in ipairs(clients) do
      local rev = set[c.fd]
      if c.fd and rev and rev ~= 0 and not c.eof and not c.closing then
        if has(rev, POLLIN) or broken(rev) then
          local data = vlc.net.recv(c.fd, READ_CHUNK)
          if data and data ~= "" then
            if feed(c, data) then changed = true end
          else
            c.eof = true
          end
        end
      end
      if c.cli then
        local crev = set[c.cli]
        if crev and crev ~= 0 then
          if has(crev, POLLIN) or broken(crev) then
            local data = vlc.net.recv(c.cli, READ_CHUNK)
            if data and data ~= "" then
              on_cli_data(c, data)
            else
              -- The CLI ended this session ("quit", "logout", shutdown):
              -- so does the console's link, once the answer is out.
              vlc.net.close(c.cli)
              c.cli = nil
              c.closing = true
            end
          end
          if c.cli and has(crev, POLLOUT) and c.cli_out ~= "" then
            c.cli_out = flush(c.cli, c.cli_out)
          end
        end
      end
    end

    -- Several updates that arrive together cause one rebuild, before their
    -- answers go out: a prompt means the overlays are set.
    if changed then apply_state() end

    for _, c in ipairs(clients) do
      if not c.closing then pump(c) end
      if c.fd and has(set[c.fd], POLLOUT) and c.out ~= "" then
        c.out = flush(c.fd, c.out)
      end
    end

    local kept = {}
    for _, c in ipairs(clients) do
      local drop = false
      if #c.out > MAX_OUT or #c.cli_out > MAX_OUT then
        drop = true
      elseif c.eof and (broken(set[c.fd]) or
                        (queued(c) == 0 and not c.busy and c.out == "")) then
        -- The console closed its side: finish answering, unless it is gone.
        drop = true
      elseif c.closing and c.out == "" then
        drop = true
      end
      if drop then
        close_client(c)
        log_info("console disconnected")
      else
        kept[#kept + 1] = c
      end
    end
    clients = kept
  end
end

------------------------------------------------------------------------
-- Start-up.

local conf = config or {}
local host, port = parse_address(conf.host, "0.0.0.0", 2323)
local cli_address = find_cli_address()
if cli_address then
  cli_host, cli_port = parse_address(cli_address, "127.0.0.1", 4212)
  if cli_host == host and cli_port == port then
    log_err("the CLI address equals the bridge's own; not using it")
    cli_host = nil
  end
else
  log_err("no address for VLC's CLI (--cli-host); only marquee commands will work")
end

do
  local ok, start = pcall(vlc.var.inherit, nil, "sub-source")
  if ok then foreign = foreign_sources(start) end
end
apply_state()

local listening, listener = pcall(vlc.net.listen_tcp, host, port)
if not listening then
  -- Most often a VLC started a second time, or another player on the
  -- port. A VLC that no console can reach is no use: it ends at once,
  -- with a code the console reports ("ended with exit code 2"), instead
  -- of leaving a second window that nothing controls.
  log_err(tostring(listener) .. "; VLC ends")
  if os and os.exit then os.exit(2) end
  vlc.misc.quit()
  return
end
log_info(string.format("listening on %s:%d (version %d)", host, port, BRIDGE_VERSION))
local ok, err = pcall(serve, listener)
for _, c in ipairs(clients) do close_client(c) end
if not ok and not tostring(err):find("Interrupted") then
  error(err)
end
