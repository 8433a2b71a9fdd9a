#!/usr/bin/env bash
# Loads a Linux VST 2 plug-in into a host we did not write and checks what the
# host reads back and what the plug-in outputs.
#
# Debian 12 ships no Carla, so the host is Ardour 7 (package "ardour"): its
# headless Lua session tool runs a real session on the Dummy audio backend
# (no X display, no JACK), and its VST scanner indexes the plug-in first.
#
# Usage: run_ardour.sh PLUGIN.so EXPECTED_NAME EXPECTED_UNIQUE_ID_4CC NUM_PARAMS NUM_PROGRAMS
# Exit:  0 pass, 1 fail, 2 bad usage, 77 host not installed (CTest skip).
set -u

if [ $# -ne 5 ]; then
    echo "usage: $0 PLUGIN.so EXPECTED_NAME EXPECTED_UNIQUE_ID_4CC NUM_PARAMS NUM_PROGRAMS" >&2
    exit 2
fi
plugin=$1 want_name=$2 want_id=$3 want_params=$4 want_programs=$5

fail() { echo "FAIL: $*"; exit 1; }

[ -f "$plugin" ] || fail "no such plug-in file: $plugin"
[ ${#want_id} -eq 4 ] || fail "unique id must be 4 characters, got '$want_id'"

ver=
for v in 8 7; do
    if command -v "ardour$v-lua" >/dev/null && [ -x "/usr/lib/ardour$v/ardour-vst-scanner" ]; then
        ver=$v
        break
    fi
done
if [ -z "$ver" ]; then
    echo "SKIP: third-party VST 2 host not installed (apt-get install ardour)"
    exit 77
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A private config and cache keep the run independent of the user's Ardour
# setup; a search path holding only our copy makes it the only VST 2 found.
export XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache" XDG_DATA_HOME="$work/data"
export LXVST_PATH="$work/plugins"
mkdir -p "$LXVST_PATH" "$XDG_CONFIG_HOME/ardour$ver/scripts"
copy="$LXVST_PATH/$(basename "$plugin")"
cp "$plugin" "$copy" || fail "cannot copy $plugin"
# Ardour trusts its scan cache only when it is strictly newer (in whole
# seconds) than the plug-in, so age the copy rather than race the clock.
touch -d '-1 minute' "$copy"

if ! LD_LIBRARY_PATH="/usr/lib/ardour$ver" "/usr/lib/ardour$ver/ardour-vst-scanner" -f "$copy" \
        >"$work/scan.log" 2>&1; then
    tail -n 20 "$work/scan.log" >&2
    fail "host's VST scanner could not load $(basename "$plugin")"
fi

# Pass-through DSP that tallies what reaches it; one sits before the plug-in
# and one after, so the session script can compare input and output.
cat >"$XDG_CONFIG_HOME/ardour$ver/scripts/_host_probe_meter.lua" <<'EOF'
ardour { ["type"] = "dsp", name = "Host Probe Meter", category = "Utility",
         license = "MIT", author = "Korvane", description = "Counts samples, non-finite samples, peak and energy" }
function dsp_ioconfig () return { { audio_in = -1, audio_out = -1 } } end
function dsp_init (rate) self:shmem ():allocate (4); self:shmem ():clear () end
function dsp_run (ins, outs, n_samples)
  local st = self:shmem ():to_float (0):array () -- samples, non-finite, peak, sum of squares
  for c = 1, #ins do
    local a = ins[c]:array ()
    for i = 1, n_samples do
      local v = a[i]
      if v ~= v or v == math.huge or v == -math.huge then
        st[2] = st[2] + 1
      else
        if math.abs (v) > st[3] then st[3] = math.abs (v) end
        st[4] = st[4] + v * v
      end
    end
    if ins[c] ~= outs[c] then ARDOUR.DSP.copy_vector (outs[c], ins[c], n_samples) end
  end
  st[1] = st[1] + n_samples * #ins
end
EOF

cat >"$work/probe.lua" <<'EOF'
local path, want_name, want_id, want_params, want_programs, session_dir =
  arg[1], arg[2], arg[3], tonumber (arg[4]), tonumber (arg[5]), arg[6]

local function say (...)
  io.stdout:write ("probe: ", table.concat ({...}, " "), "\n"); io.stdout:flush ()
end
local function fail (msg)
  io.stdout:write ("FAIL: ", msg, "\n"); io.stdout:flush ()
  error (msg, 0)
end
local function fourcc (n)
  return string.char ((n >> 24) & 255, (n >> 16) & 255, (n >> 8) & 255, n & 255)
end

-- "Sine Wave" feeds a -18 dBFS sine into every capture port.
AudioEngine:set_backend ("None (Dummy)", "Normal Speed", "")
AudioEngine:set_device_name ("Sine Wave")
if not create_session (session_dir, "probe", 48000) then fail ("host could not start a session") end

local info
for p in ARDOUR.LuaAPI.list_plugins ():iter () do
  if p.type == ARDOUR.PluginType.LXVST and p.path == path then info = p end
end
if not info then fail ("host did not list the plug-in as a Linux VST") end

local id = tonumber (info.unique_id) & 0xffffffff
say ("name:", info.name, "| vendor:", info.creator, "| id:", fourcc (id),
     "| audio in/out:", info.n_inputs:n_audio (), info.n_outputs:n_audio ())
if info.name ~= want_name then fail ("name is '" .. info.name .. "', expected '" .. want_name .. "'") end
if fourcc (id) ~= want_id then fail ("unique id is '" .. fourcc (id) .. "', expected '" .. want_id .. "'") end

-- Ardour lists VST 2 programs as factory presets, reading each name with
-- effGetProgramNameIndexed; a name it could not read shows as "Preset N".
local programs = {}
for r in info:get_presets (false):iter () do
  if not r.user then programs[#programs + 1] = r.label end
end
for _, label in ipairs (programs) do
  say ("program", label)
  if not label:match ("^%d+ %- ") then fail ("host could not read program name of '" .. label .. "'") end
end
if #programs ~= want_programs then
  fail (("%d programs, expected %d"):format (#programs, want_programs))
end

local tracks = Session:new_audio_track (1, 2, nil, 1, "probe", ARDOUR.PresentationInfo.max_order, ARDOUR.TrackMode.Normal, true)
local track = tracks:front ()
track:monitoring_control ():set_value (ARDOUR.MonitorChoice.MonitorInput, PBD.GroupControlDisposition.NoGroup)
local pre = ARDOUR.LuaAPI.new_luaproc (Session, "Host Probe Meter")
local vst = ARDOUR.LuaAPI.new_plugin (Session, info.unique_id, ARDOUR.PluginType.LXVST, "")
local post = ARDOUR.LuaAPI.new_luaproc (Session, "Host Probe Meter")
if vst:isnil () then fail ("host could not instantiate the plug-in") end
if pre:isnil () or post:isnil () then fail ("host did not load the probe meter script") end
for i, proc in ipairs ({ pre, vst, post }) do
  if track:add_processor_by_index (proc, i - 1, nil, true) ~= 0 then fail ("host could not insert the plug-in") end
end

local plugin = vst:to_insert ():plugin (0)
local n = plugin:parameter_count ()
for i = 0, n - 1 do
  local value = ARDOUR.LuaAPI.get_plugin_insert_param (vst:to_insert (), i, true)
  say ("param", i, plugin:parameter_label (i), "=", ("%.4f"):format (value))
end
if n ~= want_params then fail (("%d parameters, expected %d"):format (n, want_params)) end

sleep (1.0) -- about 48k samples at normal speed

local function stats (proc)
  local st = proc:to_insert ():plugin (0):to_luaproc ():shmem ():to_float (0):array ()
  return { count = st[1], bad = st[2], peak = st[3], rms = math.sqrt (st[4] / math.max (st[1], 1)) }
end
local si, so = stats (pre), stats (post)
say (("audio: %d samples in (peak %.4f, rms %.4f) -> %d out (peak %.4f, rms %.4f, %d non-finite)"):format (
     si.count, si.peak, si.rms, so.count, so.peak, so.rms, so.bad))
if si.count == 0 or si.peak == 0 then fail ("host engine fed no audio to the plug-in") end
if not vst:active () then fail ("host deactivated the plug-in") end
if so.count == 0 then fail ("plug-in produced no audio") end
if so.bad > 0 then fail (("%d non-finite output samples"):format (so.bad)) end
if so.peak < 1e-4 then fail ("output is silent") end
-- An inactive or bypassed insert would pass the sine through untouched.
if math.abs (so.rms - si.rms) <= 1e-6 * si.rms and math.abs (so.peak - si.peak) <= 1e-6 * si.peak then
  fail ("output equals input: the plug-in did not process")
end
say ("PASS")
EOF

status=0
timeout 120 "ardour$ver-lua" "$work/probe.lua" "$copy" "$want_name" "$want_id" "$want_params" \
    "$want_programs" "$work/session" >"$work/host.log" 2>&1 || status=$?

sed -n 's/^probe: //p' "$work/host.log"
msg=$(grep -m1 '^FAIL: ' "$work/host.log")
if [ -n "$msg" ]; then
    echo "$msg"
    exit 1
fi
if [ "$status" -ne 0 ] || ! grep -q '^probe: PASS$' "$work/host.log"; then
    tail -n 20 "$work/host.log" >&2
    fail "host exited with status $status before finishing (crash or timeout)"
fi
