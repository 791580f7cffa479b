-- The session for run_vst3_window.sh: one MIDI track "Vorn" with Vorn as a
-- VST 3 instrument, saved. Environment: VST3_WINDOW_DIR, the session folder.
-- Ends with "SESSION ok" or "SESSION FAILED: why".
local dir = os.getenv ("VST3_WINDOW_DIR")
AudioEngine:set_backend ("None (Dummy)", "", "")
create_session (dir, "vst3_window", 48000)
local info = nil
for p in ARDOUR.LuaAPI.list_plugins ():iter () do
	if p.type == ARDOUR.PluginType.VST3 and p.name == "Vorn" then info = p end
end
if not info then
	print ("SESSION FAILED: Ardour does not list Vorn as a VST 3 plug-in")
	close_session ()
	return
end
Session:new_midi_track (ARDOUR.ChanCount (ARDOUR.DataType ("midi"), 1), ARDOUR.ChanCount (ARDOUR.DataType ("audio"), 2),
                        true, info, nil, nil, 1, "Vorn", ARDOUR.PresentationInfo.max_order, ARDOUR.TrackMode.Normal,
                        true, false)
Session:save_state ("", false, false, false)
close_session ()
print ("SESSION ok")
