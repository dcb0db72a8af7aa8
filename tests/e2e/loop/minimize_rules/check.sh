# What reached MINUIT, in order: SIMPLEX before MINIMIZE with the doubled
# tolerance, HESSE after every MIGRAD and MINIMIZE, one number for "1000 0.1",
# none for "SETPRI 0", SIMPLEX, HESSE and MIGRAD again after a MIGRAD that fails
# (one call is too few), the zeros before the last number of SCAN, and EXIT at the
# end of input.
set -e
diff <(bash "$CASE/../../minuit_commands.sh" stdout) - <<'CMDS'
CALL   1.000
SETSTRAT   1.000
SHOEPS
SETEPS  0.9000E-14
SHOEPS
SETPRI   1.000
SIMP   1000.      0.3000
MINI   1000.      0.5000E-01
HESSE
SIMP   1000.
MIN   1000.
HESSE
MIGRAD   500.0      0.1000
HESSE
MIGRAD   100.0
HESSE
SETPRI
HESSE
MIGRAD   1.000
SIMPL
HESSE
MIGR
HESSE
SCAN   0.000       0.000       3.000
EXIT
CMDS
