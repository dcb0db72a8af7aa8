# The loop's own commands and rules on a real fit: both help lists, the SET advice,
# QUI is MINUIT's (not QUIT), the MINIMIZE rules, RETURN and END with their codes, and
# the next fit's title question. What MINUIT was handed is read back from the log.
set -e
diff -u "$CASE/loop.txt" <(sed -n '/^MINUIT> /,$p' out.txt | sed -f "$CASE/mask.sed")
diff -u - <(bash "$CASE/../../minuit_commands.sh" stdout) <<'CMDS'
CALL   1.000
SETSTRAT   1.000
SHOEPS
SETEPS  0.9000E-14
SHOEPS
SETPRI   1.000
QUI
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
CALL   6.000
CALL   5.000
CALL   7.000
RETURN
END
CMDS
