-- Prepares the session for run_editor_touch.sh: a MIDI track "Vorn" with the
-- note holder (vorn_note_hold.lua) before Vorn as a VST 2 plug-in, Vorn's
-- filter a 24 dB low-pass, its Filter Frequency (parameter 41) set low and its automation in Touch, and an
-- audio track "Heard" whose inputs take the Vorn track's outputs, armed, so
-- that a recording pass keeps what the instrument played.
--
-- Environment: EDITOR_TOUCH_DIR  the folder for the session;
--   EDITOR_TOUCH_STATE  "Latch" for Latch instead of Touch;
--   EDITOR_TOUCH_DOMAIN "audio" for Vorn's automation in audio time.
-- Ends with "SESSION ok" or "SESSION FAILED: why".

local dir = os.getenv("EDITOR_TOUCH_DIR")
local name = "editor_touch"
local cutoff_index = 41
local filter_mode_index = 39
local cutoff_start = 0.25   -- normalised: low enough that a drag up is plainly brighter

local function fail(why)
  print("SESSION FAILED: " .. why)
  close_session()
end

AudioEngine:set_backend("None (Dummy)", "", "")
create_session(dir, name, 48000)
local info = nil
for p in ARDOUR.LuaAPI.list_plugins():iter() do
  if p.type == ARDOUR.PluginType.LXVST and p.name == "Vorn" then info = p end
end
if not info then return fail("Ardour does not list Vorn as a VST 2 plug-in") end

-- A MIDI track's plug-ins keep their automation in musical time, as when the
-- instrument is chosen in Ardour's add-track dialog; EDITOR_TOUCH_DOMAIN=audio
-- makes the insert with its automation in audio time instead.
local audio_time = os.getenv("EDITOR_TOUCH_DOMAIN") == "audio"
local tracks = Session:new_midi_track(ARDOUR.ChanCount(ARDOUR.DataType("midi"), 1),
                                      ARDOUR.ChanCount(ARDOUR.DataType("audio"), 2), true,
                                      info, nil, nil, 1, "Vorn",
                                      ARDOUR.PresentationInfo.max_order, ARDOUR.TrackMode.Normal, true, false)
local vorn_track = tracks:front()
if audio_time then
  local synth = ARDOUR.LuaAPI.new_plugin_with_time_domain(Session, info.name, ARDOUR.PluginType.LXVST,
                                                          Temporal.TimeDomain.AudioTime, "")
  if synth:isnil() then return fail("Vorn could not be made in audio time") end
  local made = vorn_track:nth_plugin(0)
  vorn_track:add_processor_by_index(synth, 0, nil, true)
  vorn_track:remove_processor(made, nil, true)
end
local hold = ARDOUR.LuaAPI.new_luaproc(Session, "Vorn Note Hold")
if hold:isnil() then return fail("the note holder script was not found") end
vorn_track:add_processor_by_index(hold, 0, nil, true)

local proc = nil
local i = 0
while true do
  local p = vorn_track:nth_plugin(i)
  if p:isnil() then break end
  if p:display_name() == "Vorn" then proc = p end
  i = i + 1
end
if not proc then return fail("no Vorn insert on the track") end
local plug = proc:to_insert():plugin(0)
print(string.format("Vorn parameter #%d is \"%s\"", cutoff_index, plug:parameter_label(cutoff_index)))
local control = proc:to_automatable():automation_control(
  Evoral.Parameter(ARDOUR.AutomationType.PluginAutomation, 0, cutoff_index), false)
if control:isnil() then return fail("no automation control for parameter 41") end
control:set_value(cutoff_start, PBD.GroupControlDisposition.NoGroup)
-- The initial program has no filter (Mode "-"): Low 24 dB, the sixth of the
-- nine modes, makes the cutoff heard.
local mode = proc:to_automatable():automation_control(
  Evoral.Parameter(ARDOUR.AutomationType.PluginAutomation, 0, filter_mode_index), false)
mode:set_value(5 / 8, PBD.GroupControlDisposition.NoGroup)
local latch = os.getenv("EDITOR_TOUCH_STATE") == "Latch"
control:set_automation_state(latch and ARDOUR.AutoState.Latch or ARDOUR.AutoState.Touch)

local heard = Session:new_audio_track(2, 2, nil, 1, "Heard", ARDOUR.PresentationInfo.max_order,
                                      ARDOUR.TrackMode.Normal, true):front()
heard:input():disconnect_all(nil)
for c = 0, 1 do
  heard:input():audio(c):connect(vorn_track:output():audio(c):name())
end
heard:rec_enable_control():set_value(1, PBD.GroupControlDisposition.NoGroup)
ARDOUR.LuaAPI.usleep(200000)
print(string.format("filter mode %.3f, cutoff %.3f, automation %s; Heard armed: %s", mode:get_value(), control:get_value(),
                    control:automation_state() == ARDOUR.AutoState.Touch and "Touch"
                      or control:automation_state() == ARDOUR.AutoState.Latch and "Latch" or "neither Touch nor Latch",
                    tostring(heard:rec_enable_control():get_value() > 0)))
Session:save_state("", false, false, false)
close_session()
print("SESSION ok")
