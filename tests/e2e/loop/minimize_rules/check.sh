# What reached MINUIT, in order: SIMPLEX before MINIMIZE with the doubled
# tolerance, HESSE after every MIGRAD and MINIMIZE, one number for "1000 0.1",
# none for "SETPRI 0", and EXIT at the end of input.
set -e
diff <(grep -E '^ \*\* +[0-9]+ \*\*' stdout | sed -E 's/^ \*\* +[0-9]+ \*\*//; s/ +$//') - <<'CMDS'
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
EXIT
CMDS
