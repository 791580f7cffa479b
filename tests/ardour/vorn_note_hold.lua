ardour {
	["type"]    = "dsp",
	name        = "Vorn Note Hold",
	category    = "Utility",
	license     = "MIT",
	author      = "Vorn tests",
	description = [[Passes MIDI through and strikes one note (C3, velocity 100) every two seconds
while the plug-in runs, so the instrument after it always sounds without a MIDI region.]]
}

local note = 48
local period = 2.0     -- seconds between strikes

function dsp_ioconfig ()
	return { { midi_in = 1, midi_out = 1, audio_in = 0, audio_out = 0 } }
end

function dsp_init (rate)
	every = math.floor (period * rate)
	left = 0
end

function dsp_run (_, _, n_samples)
	local n = 1
	for _, b in pairs (midiin) do
		midiout[n] = { time = b["time"], data = b["data"] }
		n = n + 1
	end
	if left <= 0 then
		midiout[n] = { time = 1, data = { 0x80, note, 0 } }
		midiout[n + 1] = { time = 2, data = { 0x90, note, 100 } }
		left = every
	end
	left = left - n_samples
end
