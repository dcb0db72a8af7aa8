# Every signal form the theory knows, in one fit over raw, asymmetry and rotating-frame
# spectra: precession with each damping (none, exponential, Gaussian, stretched, Abragam,
# complex table in the real and the imaginary pass), Bessel (its frequency an expression),
# exponential, constant, stretched, power law, spin glass, static Kubo-Toyabe (closed,
# generalised, longitudinal-field table inside, past its last time and in its high-field
# form), dynamic Kubo-Toyabe (closed and tabulated, zero and longitudinal field, past the
# table's time and field axes), OMNI table (inside and clamped), factors with amplitude
# code 0 and negative; the spectra's norm, relative norm, background, alpha, beta, phase
# and asymmetry offsets, lifetime and time-zero shift. Most amplitudes are fixed, so that
# every form weighs on the fitted values. The three 1 ns spectra give enough bins for two
# threads and jobs of whole chunks; the rotating-frame one is a short job of its own.
# The answer file, the table row, the log (named "stdout" in batch) and standard output are
# compared byte for byte, the clock line masked: they are the program's output as it stood
# when the case was made, and a change that alters them changes behaviour.
#
# Four counters a quarter turn apart (the third a quarter behind the first) precessing at
# 1.5 MHz, and one table of each kind.
"$TOOLS/kavrin_rungen" --nhist 4 --model exp --freq 1.5 --lambda 0.3 --asym 0.22 \
  --phases 0,180,270,90 --n0 400 --nbins 7000 --ns-per-bin 1 --t0 500 --seed 7 run.zog >> setup.txt
"$TOOLS/kavrin_tablegen" complex -o cmplx.tbl >> setup.txt
"$TOOLS/kavrin_tablegen" lf -o lf.tbl >> setup.txt
"$TOOLS/kavrin_tablegen" dyn --lf -o dyn.tbl --tmax 12 --per-decade 4 --hmin 0.01 --hmax 10 \
  >> setup.txt 2>&1
"$TOOLS/kavrin_tablegen" omni --func dyn --axis 0:12:49 --axis 0:10:11 -o omni.tbl >> setup.txt
