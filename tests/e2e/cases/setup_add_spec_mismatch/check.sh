grep -q "^ \*\*\* ADD_SPEC: .* differs from .* of spectrum  1; run not added \*\*\*$" out.txt || { echo "no refusal"; exit 1; }
! grep -q "MINUIT>" out.txt || { echo "the batch run went on"; exit 1; }
