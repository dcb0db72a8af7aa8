# A folder where the log file would go.
mkdir stdout
