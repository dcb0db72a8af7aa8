# A script piped to the program is read as the same lines from an "@" file are: a TAB, a
# control byte, the micro sign 0xB5 and a ^D byte are data of the answers (the TAB is no
# delimiter, so its line does not evaluate: a script's parameter line passed over stops the
# run after the list). The parameters both runs hand to MINUIT, as its log shows them, are
# the same.
kavrin=$KAVRIN
mkdir -p from_file && cp "$CASE/input" from_file/script || exit 1
(cd from_file && printf '@script\n' | "$kavrin" > out.txt 2> err.txt; echo $? > status)
[ "$(cat from_file/status)" = 1 ] || { echo "the @ run ended with $(cat from_file/status)"; exit 1; }
cmp stdout from_file/stdout || { echo "the logs differ"; diff stdout from_file/stdout; exit 1; }
grep -qF "$(printf "     2 '\265Sig")" stdout || { echo "the micro sign did not reach the label"; exit 1; }
# The log shows the ^D made visible, on the remark's line.
grep -qF "$(printf '"a\tb^Dc"')" stdout || { echo "TAB and ^D did not reach the remark"; exit 1; }
