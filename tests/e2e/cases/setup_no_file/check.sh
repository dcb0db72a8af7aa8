grep -q "^ \*\*\* stopped -- No ZOG Filename \*\*\*$" out.txt || { echo "no stop message"; exit 1; }
grep -qx " getRun: file missing.zog: No such file or directory" stdout || { echo "the log lacks the reason"; exit 1; }
