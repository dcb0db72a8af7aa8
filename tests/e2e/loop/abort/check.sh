# In batch the parameter errors and the ABORT line go to the log only: every bad line
# is counted (the number past 100 and the limits MINUIT refuses), then the run stops.
set -e
grep -qxF ' ERROR:   Parameter number        101 greater than allowed maximum of  100' stdout
grep -qxF ' ERROR:   Parameter number   4 rejected by Minuit!  Error code   1.' stdout
grep -qxF '    2 FATAL ERRORS on Parameter inputs.  ABORT!' stdout
