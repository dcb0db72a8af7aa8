# The log names the file and what the library found damaged; the screen keeps the
# reader's own line, and the stop comes last.
line=' getRun: file run.zog: histogram 1 cannot be read; damaged: byte 306: section 0x01020002 1: its body does not decode, its fields are not read'
grep -qxF "$line" stdout || { echo "the log lacks the reason"; exit 1; }
grep -qx ' getRun: file run.zog could not be read properly\.' out.txt || { echo "no reader's line"; exit 1; }
[ "$(tail -2 out.txt | head -1)" = " *** stopped -- No ZOG Filename ***" ] || { echo "the stop is not last"; exit 1; }
