-- Touch automation of Vorn's filter cutoff in Ardour 7, headless (Dummy
-- backend), as far as Ardour's Lua reaches. Run by run_touch_automation.sh.
--
-- What a cutoff drag in Vorn's editor sends through the VST host callback is
-- audioMasterBeginEdit, a run of audioMasterAutomate and audioMasterEndEdit
-- (tests/editor/touch_automation_test.cpp checks that, through the built
-- plug-in). Ardour's callback turns those into start_touch, the control's
-- value and stop_touch on the plug-in's automation control. ardour7-lua has
-- no GUI, so it cannot open the editor and let it send them; this script
-- makes the same three calls on Ardour's control for the Cutoff parameter of
-- a Vorn insert, with the control in Touch mode and the transport rolling,
-- and then reads the session's automation list: after the gesture it holds
-- the points, and after a save and reload too.
--
-- Environment: TOUCH_DIR  the folder for the temporary session.
-- Ends with "RESULT ok" or "RESULT FAILED n".

local dir = os.getenv("TOUCH_DIR")
local name = "touch_automation"
local failures = 0
local function check(ok, what)
  if not ok then
    failures = failures + 1
    print("  FAILED: " .. what)
  end
end

local function vorn_insert()
  for r in Session:get_routes():iter() do
    local i = 0
    while true do
      local proc = r:nth_plugin(i)
      if proc:isnil() then break end
      if proc:display_name() == "Vorn" then return proc end
      i = i + 1
    end
  end
  return nil
end

local function cutoff_control(proc)
  local plug = proc:to_insert():plugin(0)
  for j = 0, plug:parameter_count() - 1 do
    if plug:parameter_label(j) == "Filter Frequency" or plug:parameter_label(j) == "Cutoff" then
      return proc:to_automatable():automation_control(Evoral.Parameter(ARDOUR.AutomationType.PluginAutomation, 0, j),
                                                      false), j, plug:parameter_label(j)
    end
  end
  return nil
end

-- The list's points: their count, the lowest and the highest value, and
-- the points themselves as text ("sample:value").
local function list_points(control)
  local al = control:alist()
  local n, lo, hi, text = 0, nil, nil, {}
  for e in al:events():iter() do
    n = n + 1
    lo = lo and math.min(lo, e.value) or e.value
    hi = hi and math.max(hi, e.value) or e.value
    text[#text + 1] = string.format("%s:%.3f", e.when:str(), e.value)
  end
  return n, lo, hi, table.concat(text, " ")
end

AudioEngine:set_backend("None (Dummy)", "", "")
create_session(dir, name, 48000)
local info = nil
for p in ARDOUR.LuaAPI.list_plugins():iter() do
  if p.type == ARDOUR.PluginType.LXVST and p.name == "Vorn" then info = p end
end
if not info then
  print("RESULT FAILED: Ardour does not list Vorn as a VST 2 plug-in")
  close_session()
  return
end
Session:new_midi_track(ARDOUR.ChanCount(ARDOUR.DataType("midi"), 1), ARDOUR.ChanCount(ARDOUR.DataType("audio"), 2),
                       true, info, nil, nil, 1, "Vorn", ARDOUR.PresentationInfo.max_order, ARDOUR.TrackMode.Normal,
                       true, false)
local proc = vorn_insert()
local control, index, label = cutoff_control(proc)
check(control ~= nil, "no cutoff control")
if not control then
  print("RESULT FAILED " .. failures)
  close_session()
  return
end
print(string.format("Vorn parameter #%d \"%s\", automation state set to Touch", index, label))
control:set_automation_state(ARDOUR.AutoState.Touch)
local before = list_points(control)
print(string.format("points before the gesture: %d", before))

-- Roll, then the gesture: begin (start_touch), 20 values 25 ms apart rising
-- from 0.30 to 0.80 as a drag sends them, end (stop_touch).
Session:request_roll(ARDOUR.TransportRequestSource.TRS_UI)
ARDOUR.LuaAPI.usleep(300000)
print(string.format("transport rolling: %s at sample %d", tostring(Session:transport_rolling()),
                    Session:transport_sample()))
control:start_touch(Temporal.timepos_t(Session:transport_sample()))
for k = 0, 19 do
  local v = 0.30 + 0.5 * k / 19
  control:set_value(v, PBD.GroupControlDisposition.NoGroup)
  ARDOUR.LuaAPI.usleep(25000)
end
control:stop_touch(Temporal.timepos_t(Session:transport_sample()))
ARDOUR.LuaAPI.usleep(200000)
Session:request_stop(false, false, ARDOUR.TransportRequestSource.TRS_UI)
ARDOUR.LuaAPI.usleep(300000)

local n, lo, hi, points = list_points(control)
print(string.format("points after the gesture: %d, values %.3f .. %.3f", n, lo or -1, hi or -1))
print("  " .. points)
check(n > before + 2, "the automation list holds the gesture's points")
check(lo and hi and lo <= 0.31 and math.abs(hi - 0.80) < 0.02, "the points run from the drag's start to its end")
Session:save_state("", false, false, false)
close_session()

load_session(dir, name)
proc = vorn_insert()
control = cutoff_control(proc)
local m = list_points(control)
print(string.format("after saving and loading the session: %d points, state %s", m,
                    tostring(control:automation_state() == ARDOUR.AutoState.Touch and "Touch" or control:automation_state())))
check(m == n, "the points survive the save")
close_session()
print(failures == 0 and "RESULT ok" or ("RESULT FAILED " .. failures))
