-- Vorn as a VST 3 instrument playing a MIDI region and automation in
-- Ardour 7 itself, headless (run by run_vst3_render.sh):
--
-- 1. A MIDI region as a musician makes one: the track is armed and a take
--    recorded from Ardour's virtual keyboard port, then the take's notes are
--    replaced through the region's model (a note diff command, as an edit in
--    Ardour's editor makes): A4 (note 69) for 1.5 s, then A3 held for 6 s.
--    The transport rolls over the first note and a capture tap after Vorn
--    (vorn_capture_tap.lua) keeps what the track produced: 440 Hz within
--    5 cents.
-- 2. Automation written into Ardour's lists and played (state Play) under the
--    held A3: Filter Mode (stepped) through four modes, then Filter Frequency
--    (continuous) swept up over 0.8 s. Each mode's stretch is compared with a
--    pass made with that mode set by hand and no automation: the same sound
--    (the mode landed on its value), and further from every other mode's
--    pass. The sweep's largest sample-to-sample step stays within twice the
--    largest step of the steady sound before and after it, and so do the
--    mode changes'.
-- Ardour's own export (Session:simple_export) would be the other way to
-- hear the track, but in ardour7-lua 7.3 it now and then ends the process
-- with a double free, with or without a plug-in: the checks roll instead.
--
-- Environment: VST3_RENDER_DIR  the folder for the temporary session.
-- Ends with "RESULT ok" or "RESULT FAILED n".

local dir = os.getenv ("VST3_RENDER_DIR")
local rate = 48000
local failures = 0

local function check (ok, what)
	if not ok then
		failures = failures + 1
		print ("  FAILED: " .. what)
	end
end

local function finish ()
	collectgarbage ()
	close_session ()
	print (failures == 0 and "RESULT ok" or ("RESULT FAILED " .. failures))
end

-- The timeline, in seconds at 120 bpm (a beat is half a second).
local pitch_note = { key = 69, beat = 1, beats = 3 }    -- 0.5 .. 2.0 s
local held_note = { key = 57, beat = 6, beats = 12 }    -- 3.0 .. 9.0 s
local held_from = 3.0
local modes = { 1, 5, 6, 2 }
local mode_names = { [1] = "Low 12 dB", [2] = "High 12 dB", [5] = "Low 24 dB", [6] = "High 24 dB" }
local mode_every = 0.8                -- mode k from 3.0 + 0.8 (k - 1) s
local modes_to = held_from + #modes * mode_every
local cutoff_low, cutoff_high = 0.35, 0.75
local sweep_from, sweep_to = 6.6, 7.4
local played_to = 8.9

------------------------------------------------------------------------------
-- Sound analysis on the captures.

-- Samples [from, to) seconds of a capture that starts at `start` seconds.
local function stretch (s, start, from, to)
	local out = {}
	for i = math.floor ((from - start) * rate) + 1, math.floor ((to - start) * rate) do out[#out + 1] = s[i] or 0 end
	return out
end

local function rms (s)
	local e = 0
	for i = 1, #s do e = e + s[i] * s[i] end
	return math.sqrt (e / math.max (1, #s))
end

local function largest_step (s)
	local top = 0
	for i = 2, #s do top = math.max (top, math.abs (s[i] - s[i - 1])) end
	return top
end

-- How far apart two stretches sound: RMS of the difference over RMS of b.
local function distance (a, b)
	local d = {}
	for i = 1, #a do d[i] = a[i] - b[i] end
	return rms (d) / math.max (1e-9, rms (b))
end

-- The period by autocorrelation, refined between lags by a parabola.
local function pitch_of (s)
	local n = #s - 1200
	local r, top, best_lag = {}, 0, 0
	for lag = 20, 1200 do
		local sum = 0
		for i = 1, n do sum = sum + s[i] * s[i + lag] end
		r[lag] = sum
		if sum > top then top = sum end
	end
	-- The first peak above 90 % of the strongest is the fundamental.
	for lag = 21, 1199 do
		if r[lag] >= 0.9 * top and r[lag] >= r[lag - 1] and r[lag] >= r[lag + 1] then best_lag = lag break end
	end
	if best_lag == 0 then return 0 end
	local a, b, c = r[best_lag - 1], r[best_lag], r[best_lag + 1]
	return rate / (best_lag + 0.5 * (a - c) / (a - 2 * b + c))
end

------------------------------------------------------------------------------
-- Ardour.

-- The capture tap's shared memory, and `frames` frames of the track's
-- sound from `at` seconds on the timeline, the transport rolled from
-- `from` seconds; nil if they did not come within their own length and ten
-- seconds.
local tap_memory = nil
local function capture (from, at, frames)
	local s = tap_memory:to_float (0):array ()
	s[1] = 0
	s[2] = 0
	s[4] = math.floor (at * rate)
	s[1] = frames
	Session:request_locate (math.floor (from * rate), false, ARDOUR.LocateTransportDisposition.MustRoll,
	                        ARDOUR.TransportRequestSource.TRS_UI)
	local waited = 0
	while s[2] < frames and waited < frames / rate + 10 do
		ARDOUR.LuaAPI.usleep (100000)  -- the Dummy backend runs in real time
		waited = waited + 0.1
	end
	Session:request_stop (false, false, ARDOUR.TransportRequestSource.TRS_UI)
	ARDOUR.LuaAPI.usleep (300000)
	if s[2] < frames then return nil end
	local out = {}
	for i = 1, frames do out[i] = s[i + 4] end
	return out
end

local function send (port, bytes)
	local parser = ARDOUR.RawMidiParser ()
	for _, b in ipairs (bytes) do
		if parser:process_byte (b) then port:write (parser:midi_buffer (), parser:buffer_size (), 0) end
	end
end

-- A take recorded on the armed track from Ardour's virtual keyboard; its
-- region, or nil.
local function record_take (track)
	local keyboard = AudioEngine:get_port_by_name ("x-virtual-keyboard"):to_asyncmidiport ()
	AudioEngine:connect ("x-virtual-keyboard", track:input ():midi (0):name ())
	track:rec_enable_control ():set_value (1, PBD.GroupControlDisposition.NoGroup)
	Session:maybe_enable_record (false)
	Session:request_roll (ARDOUR.TransportRequestSource.TRS_UI)
	ARDOUR.LuaAPI.usleep (300000)  -- the Dummy backend runs in real time
	send (keyboard, { 0x90, 60, 100 })
	ARDOUR.LuaAPI.usleep (300000)
	send (keyboard, { 0x80, 60, 0 })
	ARDOUR.LuaAPI.usleep (300000)
	Session:request_stop (false, false, ARDOUR.TransportRequestSource.TRS_UI)
	ARDOUR.LuaAPI.usleep (500000)
	track:rec_enable_control ():set_value (0, PBD.GroupControlDisposition.NoGroup)
	Session:disable_record (false, false)
	Session:request_locate (0, false, ARDOUR.LocateTransportDisposition.MustStop, ARDOUR.TransportRequestSource.TRS_UI)
	local region = nil
	for r in track:playlist ():region_list ():iter () do region = r:to_midiregion () end
	return region
end

local function vorn_insert (route)
	local i = 0
	while true do
		local proc = route:nth_plugin (i)
		if proc:isnil () then return nil end
		if proc:display_name () == "Vorn" then return proc end
		i = i + 1
	end
end

local function parameter_named (plug, label)
	for k = 0, plug:parameter_count () - 1 do
		if plug:parameter_label (k) == label then return k end
	end
	return nil
end

AudioEngine:set_backend ("None (Dummy)", "", "")
create_session (dir, "vst3_render", rate)
local info = nil
for p in ARDOUR.LuaAPI.list_plugins ():iter () do
	if p.type == ARDOUR.PluginType.VST3 and p.name == "Vorn" then info = p end
end
if not info then
	print ("RESULT FAILED: Ardour does not list Vorn as a VST 3 plug-in")
	close_session ()
	return
end
local track = Session:new_midi_track (ARDOUR.ChanCount (ARDOUR.DataType ("midi"), 1),
                                      ARDOUR.ChanCount (ARDOUR.DataType ("audio"), 2), true, info, nil, nil, 1, "Vorn",
                                      ARDOUR.PresentationInfo.max_order, ARDOUR.TrackMode.Normal, true, false):front ()
local proc = vorn_insert (track)
local plug = proc:to_insert ():plugin (0)
local mode_j, cutoff_j = parameter_named (plug, "Filter Mode"), parameter_named (plug, "Filter Frequency")
check (mode_j and cutoff_j, "Filter Mode or Filter Frequency missing")

-- 1. The region.
local region = record_take (track)
check (region ~= nil, "recording made no region on the track's playlist")
if not region then
	finish ()
	return
end
local model = region:model ()
local edit = model:new_note_diff_command ("Vorn notes")
local recorded = 0
for n in ARDOUR.LuaAPI.note_list (model):iter () do
	edit:remove (n)
	recorded = recorded + 1
end
for _, n in ipairs ({ pitch_note, held_note }) do
	edit:add (ARDOUR.LuaAPI.new_noteptr (1, Temporal.Beats (n.beat, 0), Temporal.Beats (n.beats, 0), n.key, 100))
end
model:apply_command (Session, edit)
region:set_length (Temporal.timecnt_t (11 * rate))
local listed = {}
for n in ARDOUR.LuaAPI.note_list (model):iter () do
	listed[#listed + 1] = string.format ("%d at beat %s for %s", n:note (), n:time ():str (), n:length ():str ())
end
print (string.format ("region %s at %s: %d note(s) recorded, now %s", region:name (), region:position ():str (), recorded,
                      table.concat (listed, ", ")))
check (#listed == 2, "the region does not hold the two notes written")

local tap = ARDOUR.LuaAPI.new_luaproc (Session, "Vorn Capture Tap")
check (not tap:isnil (), "the capture tap script was not found")
if tap:isnil () then
	finish ()
	return
end
track:add_processor_by_index (tap, -1, nil, true)
tap_memory = tap:to_insert ():plugin (0):to_luaproc ():shmem ()

-- A4 from beat 1 (0.5 s): silent up to it, then measured from 0.7 s.
local first = capture (0, 0.45, rate)
check (first ~= nil, "no sound from the region's first note")
if first then
	local onset = 0
	for i = 1, #first do
		if math.abs (first[i]) > 1e-4 then onset = i break end
	end
	local hz = pitch_of (stretch (first, 0.45, 0.7, 0.7 + 16384 / rate))
	local cents = 1200 * math.log (hz / 440) / math.log (2)
	print (string.format ("region note 69 played from %.4f s: %.2f Hz, %+.2f cents from 440 Hz (RMS %.4f)",
	                      0.45 + (onset - 1) / rate, hz, cents, rms (first)))
	check (onset > 0 and math.abs (0.45 + (onset - 1) / rate - 0.5) < 0.002, "the note does not start at beat 1 (0.5 s)")
	check (math.abs (cents) < 5, "the region's note is out of tune")
end

-- 2. Automation. The passes with a mode set by hand first, the cutoff low.
local function control_of (j)
	return proc:to_automatable ():automation_control (Evoral.Parameter (ARDOUR.AutomationType.PluginAutomation, 0, j), false)
end
local mode_control, cutoff_control = control_of (mode_j), control_of (cutoff_j)
-- A triangle from Osc A alone: its steps are small and even, so a click
-- stands out, and its harmonics tell the filter modes apart.
for label, value in pairs ({ ["Osc A Waveform"] = 3, ["Osc A Level"] = 1, ["Osc B Level"] = 0 }) do
	local j = parameter_named (plug, label)
	check (j ~= nil, "no parameter " .. label)
	if j then control_of (j):set_value (value, PBD.GroupControlDisposition.NoGroup) end
end
cutoff_control:set_value (cutoff_low, PBD.GroupControlDisposition.NoGroup)
local by_hand = {}
for k, m in ipairs (modes) do
	mode_control:set_value (m, PBD.GroupControlDisposition.NoGroup)
	by_hand[k] = capture (held_from - 0.2, held_from, math.floor ((modes_to - held_from) * rate))
	check (by_hand[k] ~= nil, "no sound from the held note with mode " .. m .. " set by hand")
end

-- The lists of a MIDI track's plug-in are in musical time: points at
-- ticks, 1920 a beat, two beats a second.
local function ticks (seconds) return math.floor (seconds * 2 * 1920 + 0.5) end
local function automate (control, j, points)
	local _, list = ARDOUR.LuaAPI.plugin_automation (proc, j)
	list:clear_list ()
	for _, p in ipairs (points) do list:add (Temporal.timepos_t.from_ticks (p[1]), p[2], false, false) end
	control:set_automation_state (ARDOUR.AutoState.Play)
	return list
end
-- A step as Ardour's editor draws one: the old value up to the tick
-- before, the new one from the step on (Ardour interpolates a stepped
-- parameter's list linearly between points).
local mode_points = { { 0, modes[1] } }
for k = 2, #modes do
	local at = ticks (held_from + (k - 1) * mode_every)
	mode_points[#mode_points + 1] = { at - 1, modes[k - 1] }
	mode_points[#mode_points + 1] = { at, modes[k] }
end
local mode_list = automate (mode_control, mode_j, mode_points)
local cutoff_list = automate (cutoff_control, cutoff_j, {
	{ 0, cutoff_low }, { ticks (sweep_from), cutoff_low }, { ticks (sweep_to), cutoff_high } })
local styles = { [0] = "discrete", "linear", "curved", "logarithmic", "exponential" }
print (string.format ("automation in Play: Filter Mode %d points (%s), Filter Frequency %d points (%s)",
                      mode_list:size (), styles[mode_list:interpolation ()] or "?", cutoff_list:size (),
                      styles[cutoff_list:interpolation ()] or "?"))
local heard = capture (held_from - 0.2, held_from, math.floor ((played_to - held_from) * rate))
check (heard ~= nil, "no sound from the held note with the automation")
if not heard or not by_hand[#modes] then
	finish ()
	return
end

-- Each mode's last 0.3 s against the four passes with a mode set by hand.
for k, m in ipairs (modes) do
	local a = held_from + (k - 1) * mode_every
	local b = a + mode_every
	local played = stretch (heard, held_from, b - 0.3, b)
	local own, nearest_other = 0, math.huge
	for r = 1, #modes do
		if by_hand[r] then
			local d = distance (played, stretch (by_hand[r], held_from, b - 0.3, b))
			if r == k then own = d else nearest_other = math.min (nearest_other, d) end
		end
	end
	print (string.format ("mode %d (%s) from %.1f s: %.1e from the pass set by hand, %.3f from the nearest other mode's",
	                      m, mode_names[m], a, own, nearest_other))
	check (own < 0.02 and own < 0.1 * nearest_other, "Filter Mode's automation did not land on " .. m)
end

-- Clicks: the largest step around a change against the steady sound's
-- either side of it.
local function click_ratio (what, around, before, after)
	local steady = math.max (largest_step (stretch (heard, held_from, before[1], before[2])),
	                         largest_step (stretch (heard, held_from, after[1], after[2])))
	local changed = largest_step (stretch (heard, held_from, around[1], around[2]))
	print (string.format ("%s: largest step %.4f, steady %.4f, %.2fx", what, changed, steady, changed / steady))
	check (steady > 1e-3, what .. ": no steady sound to compare with")
	check (changed <= 2 * steady, what .. ": a click")
end
for k = 2, #modes do
	local at = held_from + (k - 1) * mode_every
	click_ratio (string.format ("Filter Mode %d -> %d", modes[k - 1], modes[k]), { at - 0.05, at + 0.1 },
	             { at - 0.35, at - 0.05 }, { at + 0.4, at + 0.75 })
end
-- The sweep is heard: the steady sound after it is another than before.
local before, after = rms (stretch (heard, held_from, sweep_from - 0.4, sweep_from)),
                      rms (stretch (heard, held_from, sweep_to + 0.5, played_to - 0.05))
print (string.format ("Filter Frequency %.2f: RMS %.4f, %.2f: RMS %.4f", cutoff_low, before, cutoff_high, after))
check (math.abs (after - before) > 0.2 * before, "the Filter Frequency automation was not heard")
click_ratio (string.format ("Filter Frequency %.2f -> %.2f over %.1f s", cutoff_low, cutoff_high, sweep_to - sweep_from),
             { sweep_from - 0.05, sweep_to + 0.1 }, { sweep_from - 0.4, sweep_from - 0.05 },
             { sweep_to + 0.5, played_to - 0.05 })

track, proc, plug, region, model, edit, tap, tap_memory, mode_control, cutoff_control, mode_list, cutoff_list = nil
finish ()
