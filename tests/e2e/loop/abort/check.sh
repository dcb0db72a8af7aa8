# In batch the parameter errors and the ABORT line go to the log only.
set -e
grep -qxF ' ERROR:   Parameter number        101 greater than allowed maximum of  100' stdout
grep -qxF '    1 FATAL ERRORS on Parameter inputs.  ABORT!' stdout
