-- The LV2 build in an Ardour session, run by run_lv2_session.sh (ardour7-lua,
-- Dummy backend, a temporary home that holds the "Vorn Pitch Probe" script).
--  1. In tune: a track "Tone" with Vorn on a sine voice and the probe after
--     it; A4 (440 Hz) sent to the plug-in, its pitch measured by the probe.
--  2. The state: a track "Synth" with Vorn, the factory sound "Dusty Tape"
--     (two insert effects, Quantizer and Reverb) loaded from the preset
--     bundle and one port moved away from it; the session saved, closed,
--     loaded again and saved once more. The shell script compares the
--     plug-in state Ardour saved each time.
-- Environment: LV2_SESSION_DIR  the folder for the temporary session.
-- Ends with "RESULT ok" or "RESULT FAILED <why>".

local dir = os.getenv("LV2_SESSION_DIR")
local name = "lv2_session"
local sound = "Dusty Tape"
local moved = "Filter Frequency"
local moved_to = 0.3125
local failures = {}

local function fail(why)
  failures[#failures + 1] = why
  print("  FAILED: " .. why)
end

local function vorn_on(route_name)
  local r = Session:route_by_name(route_name)
  if r:isnil() then return nil end
  local i = 0
  while true do
    local proc = r:nth_plugin(i)
    if proc:isnil() then return nil end
    if proc:display_name() == "Vorn" then return proc end
    i = i + 1
  end
end

local function parameter_index(plug, label)
  for j = 0, plug:parameter_count() - 1 do
    if plug:parameter_label(j) == label then return j end
  end
  return nil
end

local function set_param(proc, label, value)
  local j = parameter_index(proc:to_insert():plugin(0), label)
  local c = proc:to_automatable():automation_control(Evoral.Parameter(ARDOUR.AutomationType.PluginAutomation, 0, j), false)
  c:set_value(value, PBD.GroupControlDisposition.NoGroup)
  return c
end

local function new_track(info, track_name)
  Session:new_midi_track(ARDOUR.ChanCount(ARDOUR.DataType("midi"), 1), ARDOUR.ChanCount(ARDOUR.DataType("audio"), 2),
                         true, info, nil, nil, 1, track_name, ARDOUR.PresentationInfo.max_order,
                         ARDOUR.TrackMode.Normal, true, false)
  return vorn_on(track_name)
end

local function send_midi(proc, bytes)
  local parser = ARDOUR.RawMidiParser()
  for _, b in ipairs(bytes) do
    if parser:process_byte(b) then
      proc:to_insert():write_immediate_event(Evoral.EventType.MIDI_EVENT, parser:buffer_size(), parser:midi_buffer())
    end
  end
end

local function in_tune(info)
  local proc = new_track(info, "Tone")
  set_param(proc, "Osc A Waveform", 0.8)  -- sine
  set_param(proc, "Osc B Level", 0.0)
  set_param(proc, "Volume Env", 0.0)      -- gate
  local probe = ARDOUR.LuaAPI.new_luaproc(Session, "Vorn Pitch Probe")
  if probe:isnil() then return fail("no pitch probe script") end
  Session:route_by_name("Tone"):add_processor_by_index(probe, -1, nil, true)
  ARDOUR.LuaAPI.usleep(300000)
  send_midi(proc, { 0x90, 69, 100 })
  local m = nil
  for _ = 1, 40 do
    ARDOUR.LuaAPI.usleep(100000)
    m = probe:to_insert():plugin(0):to_luaproc():shmem():to_float(0):array()
    if m[1] == 2 then break end
  end
  send_midi(proc, { 0x80, 69, 0 })
  if m[1] ~= 2 then return fail("the probe heard nothing from Vorn") end
  local hz = (m[2] - 1) * m[6] / (m[4] - m[3])
  local cents = 1200 * math.log(hz / 440) / math.log(2)
  print(string.format("in tune: A4 played through Ardour measures %.3f Hz (%+.2f cents), RMS %.4f, rate %d",
                      hz, cents, m[5], math.floor(m[6])))
  if math.abs(cents) > 2 then fail(string.format("A4 is %.2f cents off", cents)) end
  if m[5] < 0.01 then fail("A4 is too quiet") end
end

local function saved_and_reopened(info)
  local proc = new_track(info, "Synth")
  local plug = proc:to_insert():plugin(0)
  local preset = plug:preset_by_label(sound)
  if not preset then return fail("no preset named " .. sound) end
  print("preset " .. preset.label .. " (" .. preset.uri .. ")")
  plug:load_preset(preset)
  local c = set_param(proc, moved, moved_to)
  ARDOUR.LuaAPI.usleep(200000)  -- a few cycles, so the moved port reaches the plug-in
  print(string.format("%s set to %.4f", moved, c:get_value()))
  Session:save_state("", false, false, false)
  print("saved")
  close_session()

  load_session(dir, name)
  proc = vorn_on("Synth")
  if not proc then return fail("the reopened session has no Vorn") end
  local j = parameter_index(proc:to_insert():plugin(0), moved)
  local value = proc:to_automatable():automation_control(
    Evoral.Parameter(ARDOUR.AutomationType.PluginAutomation, 0, j), false):get_value()
  print(string.format("reopened: %s at %.4f", moved, value))
  if math.abs(value - moved_to) > 1e-6 then fail(moved .. " came back at " .. value) end
  ARDOUR.LuaAPI.usleep(200000)
  Session:save_state("", false, false, false)
  print("saved again")
end

AudioEngine:set_backend("None (Dummy)", "", "")
create_session(dir, name, 48000)
-- The new session finishes setting up (its auditioner's ports among them) on
-- other threads; a track made at once can collide with them ("Port already
-- exists") and abort ardour7-lua.
ARDOUR.LuaAPI.usleep(3000000)
local info = nil
for p in ARDOUR.LuaAPI.list_plugins():iter() do
  if p.type == ARDOUR.PluginType.LV2 and p.name == "Vorn" then info = p end
end
if not info then
  fail("Ardour does not list Vorn as an LV2 plug-in")
else
  print("plug-in " .. info.unique_id)
  in_tune(info)
  saved_and_reopened(info)
end
close_session()
print(#failures == 0 and "RESULT ok" or ("RESULT FAILED " .. table.concat(failures, "; ")))
