# At the keyboard, the results dialog after EXIT: independent variables entered again,
# the signals on the screen, FAKEDATA, and WRITE under a new name, which the answer-file
# question then offers; the set-up's name is never written.
screen=$(sed 's/\x1b\[?2004[hl]//g' out.txt)
has() { grep -qxE "$1" <<<"$screen" || { echo "the screen lacks: $1"; exit 1; }; }
has 'RESULTS> IND_VAR'
has 'Independent Variable \[Name, Value, \+Err, -Err\] > TEMP,4\.2,0\.1,0\.05'
has ' Signal  1:'
has ' \(3\)   NU:  Frequency \(MHz\)         = \( 3\.099[0-9]+ [^ ]+ [0-9.E-]+\)'
has ' Sorry, no FAKE_DATA utility yet!'
has '  Input file was  tf\.ans {34}'
has 'Answer file is > res\.ans'
has 'Answer file is\? \[res\.ans\] > '
has 'Want one last chance to Plot\? n'
[ ! -e tf.ans ] || { echo "the set-up's answer file was written"; exit 1; }
grep -qxF 'res.ans' res.ans || { echo "answer file: no OUTPUT name res.ans"; exit 1; }
grep -qE '^  TEMP      ,  4\.20000000 +, 0\.100000000 +, 5\.000000000E-02$' res.ans || { echo "answer file: no TEMP"; exit 1; }
head -1 res.ans.row | grep -qE '^  TEMP      =  4\.20000000 +, 0\.100 +, 5\.000E-02, \\$' || { echo "table row: no TEMP"; exit 1; }
