-- Steps stepped Vorn parameters through Ardour's own plug-in controls, the way
-- Ardour's generic editor and automation do, and reads back what Ardour and
-- the plug-in hold: before a save, and after the session was saved, closed
-- and loaded again. Run by run_param_steps.sh (ardour7-lua, Dummy backend).
--
-- Environment: PARAM_STEPS_DIR  the folder for the temporary session.
-- Prints one line per step; every read is checked: Ardour's control value
-- inside its range, the plug-in's own value (getParameter, read through
-- Ardour) inside 0..1 and on the step's value k / (values - 1). Ends with
-- "RESULT ok" or "RESULT FAILED n".

local dir = os.getenv("PARAM_STEPS_DIR")
local name = "param_steps"
local watched = { "Osc A Waveform", "Filter Mode" }
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

local function parameter_index(proc, label)
  local plug = proc:to_insert():plugin(0)
  for j = 0, plug:parameter_count() - 1 do
    if plug:parameter_label(j) == label then return j end
  end
  return nil
end

local function control_of(proc, j)
  return proc:to_automatable():automation_control(Evoral.Parameter(ARDOUR.AutomationType.PluginAutomation, 0, j), false)
end

-- The plug-in's own value: Ardour's PluginInsert asks the plug-in (getParameter).
local function plugin_value(proc, j)
  local v, ok = ARDOUR.LuaAPI.get_plugin_insert_param(proc:to_insert(), j, true)
  return v
end

local function read(proc, j, pd, what, expected)
  local control = control_of(proc, j):get_value()
  local plug = plugin_value(proc, j)
  print(string.format("  %-22s ardour %9.4f   plug-in %9.4f", what, control, plug))
  check(control >= pd.lower - 1e-6 and control <= pd.upper + 1e-6, what .. ": Ardour's value outside its range")
  check(plug >= 0 and plug <= 1, what .. ": the plug-in holds a value outside 0..1")
  if expected then check(math.abs(plug - expected) < 1e-5, what .. string.format(": expected %.4f", expected)) end
  return plug
end

-- Steps every value from the control's lower end by its step, as a user
-- stepping the control does; returns the plug-in's value at each step.
local function step_through(proc, label)
  local j = parameter_index(proc, label)
  local _, _, pd = ARDOUR.LuaAPI.plugin_automation(proc, j)
  print(string.format("%s (#%d): Ardour's range %g..%g, step %g, integer step %s, toggle %s", label, j, pd.lower,
                      pd.upper, pd.step, tostring(pd.integer_step), tostring(pd.toggled)))
  local control = control_of(proc, j)
  local steps = math.floor((pd.upper - pd.lower) / pd.step + 0.5)
  check(steps >= 2, label .. ": fewer than three values reachable by steps")
  local values = {}
  for k = 0, steps do
    local v = pd.lower + k * pd.step
    control:set_value(v, PBD.GroupControlDisposition.NoGroup)
    values[k + 1] = read(proc, j, pd, string.format("step %d (sent %g)", k, v), k / steps)
  end
  return j, pd, steps
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
print("plug-in " .. info.path)
Session:new_midi_track(ARDOUR.ChanCount(ARDOUR.DataType("midi"), 1), ARDOUR.ChanCount(ARDOUR.DataType("audio"), 2),
                       true, info, nil, nil, 1, "Vorn", ARDOUR.PresentationInfo.max_order, ARDOUR.TrackMode.Normal,
                       true, false)
local proc = vorn_insert()
local kept = {}
for _, label in ipairs(watched) do
  local j, pd, steps = step_through(proc, label)
  -- Leave each on its second-highest value for the save.
  local v = pd.lower + (steps - 1) * pd.step
  control_of(proc, j):set_value(v, PBD.GroupControlDisposition.NoGroup)
  kept[label] = { j = j, pd = pd, expected = (steps - 1) / steps }
  read(proc, j, pd, "kept for the save", kept[label].expected)
end
Session:save_state("", false, false, false)
close_session()

print("reopened")
load_session(dir, name)
proc = vorn_insert()
for _, label in ipairs(watched) do
  local k = kept[label]
  read(proc, k.j, k.pd, label, k.expected)
end
close_session()
print(failures == 0 and "RESULT ok" or ("RESULT FAILED " .. failures))
