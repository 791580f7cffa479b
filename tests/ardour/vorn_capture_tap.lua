ardour {
	["type"]    = "dsp",
	name        = "Vorn Capture Tap",
	category    = "Utility",
	license     = "MIT",
	author      = "Vorn tests",
	description = [[Passes audio through and, once a session script asks for n frames from a point
on the timeline, keeps the first channel's n frames from that point on while the transport rolls,
for the script to measure. Shared floats: [1] frames asked for (0: idle), [2] frames kept so far,
[3] the sample rate, [4] the timeline sample the capture starts at, then the frames. The script
sets [1] to 0, [2] to 0, [4] to the start and then [1] to n for each capture.]]
}

local capacity = 8 * 48000   -- frames at most (eight seconds at 48 kHz)

function dsp_ioconfig ()
	return { { audio_in = 2, audio_out = 2 } }
end

function dsp_init (rate)
	self:shmem ():allocate (capacity + 4)
	self:shmem ():clear ()
	self:shmem ():to_float (0):array ()[3] = rate
end

function dsp_run (ins, outs, n_samples)
	for c = 1, 2 do
		if ins[c] ~= outs[c] then ARDOUR.DSP.copy_vector (outs[c], ins[c], n_samples) end
	end
	local s = self:shmem ():to_float (0):array ()
	local wanted = math.min (math.floor (s[1]), capacity)
	local kept = math.floor (s[2])
	if kept >= wanted or not Session:transport_rolling () then return end
	-- The cycle's first frame on the timeline, and the frames before the start.
	local skip = math.floor (s[4]) - Session:transport_sample ()
	if kept > 0 then skip = 0 end
	if skip >= n_samples then return end
	local a = ins[1]:array ()
	for i = math.max (1, skip + 1), n_samples do
		kept = kept + 1
		s[kept + 4] = a[i]
		if kept >= wanted then break end
	end
	s[2] = kept
end
