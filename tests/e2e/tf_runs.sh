# The transverse-field runs that many cases fit, made by the generator in the work folder. A
# case's setup.sh sources this file and calls one of them with the name of the file to make;
# the generator's report goes to setup.txt. The cases' checks compare fits with these truths.

# Forward and backward histograms precessing at 1.5 MHz, exponential damping.
tf_run_1_5mhz() {
  "$TOOLS/kavrin_rungen" --model exp --freq 1.5 --lambda 0.3 --asym 0.22 --phases 10,190 \
    --n0 2000 --seed 11 "$1" >> setup.txt
}

# At 3.1 MHz, Gaussian damping.
tf_run_3_1mhz() {
  "$TOOLS/kavrin_rungen" --model gauss --freq 3.1 --sigma 0.5 --asym 0.25 --phases -20,160 \
    --n0 1500 --seed 31 "$1" >> setup.txt
}

# At 1.8 MHz, exponential damping.
tf_run_1_8mhz() {
  "$TOOLS/kavrin_rungen" --model exp --freq 1.8 --lambda 0.15 --asym 0.2 --phases 45,225 \
    --n0 1500 --seed 51 "$1" >> setup.txt
}
