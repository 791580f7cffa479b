ardour {
	["type"]    = "dsp",
	name        = "Vorn Pitch Tap",
	category    = "Utility",
	license     = "MIT",
	author      = "Vorn",
	description = [[Passes audio through and keeps, in its shared memory, the first stretch of
sound on the first channel after a set lead-in, for a session script to measure.
Shared floats: [1] frames kept so far, [2] the sample rate, then the frames.]]
}

local keep = 16384     -- frames kept for the measurement
local lead_in = 4800   -- frames of sound skipped first (the attack)

function dsp_ioconfig ()
	return { { audio_in = 2, audio_out = 2 } }
end

function dsp_init (rate)
	self:shmem ():allocate (keep + 2)
	self:shmem ():clear ()
	local s = self:shmem ():to_float (0):array ()
	s[2] = rate
	heard = 0
end

function dsp_run (ins, outs, n_samples)
	for c = 1, 2 do
		if ins[c] ~= outs[c] then
			ARDOUR.DSP.copy_vector (outs[c], ins[c], n_samples)
		end
	end
	local s = self:shmem ():to_float (0):array ()
	local kept = math.floor (s[1])
	if kept >= keep then return end
	local a = ins[1]:array ()
	for i = 1, n_samples do
		if heard > 0 or math.abs (a[i]) > 1e-4 then
			heard = heard + 1
			if heard > lead_in and kept < keep then
				kept = kept + 1
				s[kept + 2] = a[i]
			end
		end
	end
	s[1] = kept
end
