-- The VST 3 bundle in Ardour 7 itself, headless (run by run_vst3_check.sh):
-- Ardour finds the class its scanner indexed, makes the instrument on a MIDI
-- track, shows its parameters, plays an A (MIDI note 69) into it through the
-- insert, and a tap after it measures the pitch (440 Hz within 5 cents); a
-- stepped parameter set through Ardour's control and the session saved,
-- closed and loaded again keep the plug-in's state.
--
-- Environment: VST3_CHECK_DIR  the folder for the temporary session.
-- Ends with "RESULT ok" or "RESULT FAILED n".

local dir = os.getenv ("VST3_CHECK_DIR")
local name = "vst3_check"
local failures = 0

local function check (ok, what)
	if not ok then
		failures = failures + 1
		print ("  FAILED: " .. what)
	end
end

local function vorn_insert ()
	for r in Session:get_routes ():iter () do
		local i = 0
		while true do
			local proc = r:nth_plugin (i)
			if proc:isnil () then break end
			if proc:display_name () == "Vorn" then return r, proc end
			i = i + 1
		end
	end
	return nil, nil
end

local function send (proc, bytes)
	local parser = ARDOUR.RawMidiParser ()
	for _, b in ipairs (bytes) do
		if parser:process_byte (b) then
			proc:to_insert ():write_immediate_event (Evoral.EventType.MIDI_EVENT, parser:buffer_size (), parser:midi_buffer ())
		end
	end
end

-- The period by autocorrelation, refined between lags by a parabola.
local function pitch_of (s, rate, count)
	local n = count - 1200
	local best, best_lag, r = -1, 0, {}
	for lag = 20, 1200 do
		local sum = 0
		for i = 1, n do sum = sum + s[i] * s[i + lag] end
		r[lag] = sum
	end
	-- The first peak above 90 % of the strongest is the fundamental.
	local top = 0
	for lag = 20, 1200 do if r[lag] > top then top = r[lag] end end
	for lag = 21, 1199 do
		if r[lag] >= 0.9 * top and r[lag] >= r[lag - 1] and r[lag] >= r[lag + 1] then best_lag = lag break end
	end
	if best_lag == 0 then return 0 end
	local a, b, c = r[best_lag - 1], r[best_lag], r[best_lag + 1]
	local shift = 0.5 * (a - c) / (a - 2 * b + c)
	return rate / (best_lag + shift)
end

AudioEngine:set_backend ("None (Dummy)", "", "")
create_session (dir, name, 48000)
local info = nil
for p in ARDOUR.LuaAPI.list_plugins ():iter () do
	if p.type == ARDOUR.PluginType.VST3 and p.name == "Vorn" then info = p end
end
if not info then
	print ("RESULT FAILED: Ardour does not list Vorn as a VST 3 plug-in")
	close_session ()
	return
end
print ("plug-in " .. info.path .. " id " .. info.unique_id)
Session:new_midi_track (ARDOUR.ChanCount (ARDOUR.DataType ("midi"), 1), ARDOUR.ChanCount (ARDOUR.DataType ("audio"), 2),
                        true, info, nil, nil, 1, "Vorn", ARDOUR.PresentationInfo.max_order, ARDOUR.TrackMode.Normal,
                        true, false)
local route, proc = vorn_insert ()
check (proc ~= nil, "no Vorn insert on the track")
local plug = proc:to_insert ():plugin (0)
local shown = 0
for j = 0, plug:parameter_count () - 1 do
	if plug:parameter_is_input (j) and plug:parameter_is_control (j) then
		local _, _, pd = ARDOUR.LuaAPI.plugin_automation (proc, j)
		if shown < 3 or plug:parameter_label (j) == "Program" then
			print (string.format ("  parameter #%d %s", j, plug:parameter_label (j)))
		end
		shown = shown + 1
	end
end
print (string.format ("%d parameters in Ardour's list", plug:parameter_count ()))

local tap = ARDOUR.LuaAPI.new_luaproc (Session, "Vorn Pitch Tap")
check (not tap:isnil (), "the pitch tap script was not found")
route:add_processor_by_index (tap, -1, nil, true)

send (proc, { 0x90, 69, 100 })
ARDOUR.LuaAPI.usleep (1500000)  -- the Dummy backend runs in real time
send (proc, { 0x80, 69, 0 })
shm = tap:to_insert ():plugin (0):to_luaproc ():shmem ():to_float (0):array ()
local kept = math.floor (shm[1])
local samples = {}
for i = 1, kept do samples[i] = shm[i + 2] end
check (kept > 4096, string.format ("only %d frames of sound heard", kept))
if kept > 4096 then
	local hz = pitch_of (samples, shm[2], kept)
	local cents = 1200 * math.log (hz / 440) / math.log (2)
	print (string.format ("note 69: %.2f Hz, %+.2f cents from 440 Hz (%d frames at %d Hz)", hz, cents, kept, shm[2]))
	check (math.abs (cents) < 5, "out of tune")
end

-- A stepped parameter through Ardour's control, then save and reload.
local j = nil
for k = 0, plug:parameter_count () - 1 do
	if plug:parameter_label (k) == "Filter Mode" then j = k end
end
check (j ~= nil, "no Filter Mode parameter")
if j == nil then
	close_session ()
	print ("RESULT FAILED " .. failures)
	return
end
local control = proc:to_automatable ():automation_control (Evoral.Parameter (ARDOUR.AutomationType.PluginAutomation, 0, j), false)
local _, _, pd = ARDOUR.LuaAPI.plugin_automation (proc, j)
control:set_value (pd.upper, PBD.GroupControlDisposition.NoGroup)
local kept_value = ARDOUR.LuaAPI.get_plugin_insert_param (proc:to_insert (), j, true)
print (string.format ("Filter Mode set to %.4f (range %g..%g, step %g)", kept_value, pd.lower, pd.upper, pd.step))
Session:save_state ("", false, false, false)
local f = io.open (dir .. "/" .. name .. ".ardour")
local saved = f:read ("a")
f:close ()
-- Drop every reference into the session before closing it.
route, proc, plug, control, tap, pd, shm = nil, nil, nil, nil, nil, nil, nil
collectgarbage ()
close_session ()

print ("reopened")
load_session (dir, name)
route, proc = vorn_insert ()
local again = ARDOUR.LuaAPI.get_plugin_insert_param (proc:to_insert (), j, true)
print (string.format ("Filter Mode after reopening %.4f", again))
check (math.abs (again - kept_value) < 1e-6, "Filter Mode changed across the reload")
Session:save_state ("", false, false, false)
f = io.open (dir .. "/" .. name .. ".ardour")
local resaved = f:read ("a")
f:close ()
-- The plug-in's state travels base64-encoded in the session file.
local function states (text)
	local out = {}
	for s in text:gmatch ("[%w+/=]+") do
		if #s > 200 then out[#out + 1] = s end
	end
	return out
end
local a, b = states (saved), states (resaved)
check (#a > 0, "no plug-in state in the session file")
local same = #a == #b
for i = 1, #a do same = same and a[i] == b[i] end
print (string.format ("state blocks in the session file: %d before, %d after reopening, %s", #a, #b,
                      same and "identical" or "different"))
check (same, "the saved state changed across the reload")
route, proc = nil, nil
collectgarbage ()
close_session ()
print (failures == 0 and "RESULT ok" or ("RESULT FAILED " .. failures))
