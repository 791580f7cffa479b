ardour {
	["type"]    = "dsp",
	name        = "Vorn Pitch Probe",
	category    = "Utility",
	license     = "MIT",
	author      = "Vorn tests",
	description = [[Passes its two inputs through and measures the first one: once it sounds, it waits
0.3 s, then reads the pitch from upward zero crossings (interpolated) over one second. The session
script reads the results from shared memory: state (2 done), crossings, first and last crossing
(samples), RMS, sample rate.]]
}

function dsp_ioconfig ()
	return { [1] = { audio_in = 2, audio_out = 2 } }
end

function dsp_init (rate)
	srate = rate
	state = 0       -- 0 silent, 1 settling, 2 measuring, 3 done
	count = 0       -- samples into the current state
	prev = 0
	crossings = 0
	first = 0
	last = 0
	energy = 0
end

function dsp_configure (ins, outs)
	self:shmem ():allocate (8)
	self:shmem ():clear ()
end

function dsp_run (ins, outs, n_samples)
	for c = 1, 2 do
		if ins[c] ~= outs[c] then ARDOUR.DSP.copy_vector (outs[c], ins[c], n_samples) end
	end
	if state == 3 then return end
	local x = ins[1]:array ()
	for i = 1, n_samples do
		local v = x[i]
		if state == 0 then
			if math.abs (v) > 1e-3 then state = 1; count = 0 end
		elseif state == 1 then
			count = count + 1
			if count >= 0.3 * srate then state = 2; count = 0 end
		elseif state == 2 then
			count = count + 1
			energy = energy + v * v
			if prev < 0 and v >= 0 then
				local at = count - 1 + (-prev) / (v - prev)
				if crossings == 0 then first = at end
				last = at
				crossings = crossings + 1
			end
			if count >= srate then
				state = 3
				local m = self:shmem ():to_float (0):array ()
				m[2] = crossings
				m[3] = first
				m[4] = last
				m[5] = math.sqrt (energy / count)
				m[6] = srate
				m[1] = 2
				return
			end
		end
		prev = v
	end
end
