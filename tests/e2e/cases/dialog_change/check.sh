# At the keyboard: the fitted range narrowed at "GUESS>", parameter 4 made a constant by
# CH 4, the new range and degrees of freedom at "STATUS>" (PE and the last chance to
# plot), the results dialog before the answer-file question.
screen=$(sed 's/\x1b\[?2004[hl]//g' out.txt)
has() { grep -qxE "$1" <<<"$screen" || { echo "the screen lacks: $1"; exit 1; }; }
has ' Spectrum 1\(  589 bins\):  Range now    1 to  589\+  -- New Range > 10,300'
has ' X\(4\)   Sigma      0\.35[0-9]{4}     \+/-  0\.[0-9]{3}E-02  \[  0\.00    < X <   0\.00    \]'
has '   New  X  \[, dX, Xmin, Xmax\] > 0\.35,0'
has '  4 Sigma        0\.3500000 +'
has ' Deg Freedom =           288'
has ' SPECTRUM  1:  Chisq = +[0-9.]+  for  291  bins \(  10  to  300\)'
prompts=$(grep -oE '^(GUESS|RESULTS|STATUS|CHANGE)> |Answer file is\?' <<<"$screen" | tr -d ' ' | tr '\n' ' ')
want='GUESS> GUESS> CHANGE> STATUS> STATUS> RESULTS> Answerfileis? STATUS> STATUS> '
[ "$prompts" = "$want" ] || { echo "dialog order: $prompts"; exit 1; }
[ "$(grep -c '^ Deg Freedom =           288$' <<<"$screen")" = 2 ] || { echo "two QUALITY blocks expected"; exit 1; }
grep -qE '^         4  Sigma          0\.35         0         0         0 ' changed.ans || { echo "answer file: Sigma not a constant at 0.35"; exit 1; }
grep -qE '^ SPECTRUM  1:  Chisq = +[0-9.]+ for  291 bins \(  10 to  300\)' fit.prt || { echo "log: results report without the new range"; exit 1; }
