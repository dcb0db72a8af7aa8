# At the keyboard every failed set-up step says why and puts "DIRADE>" again.
after() {  # the first non-empty line after the first line equal to $1 starts with $2
  awk -v a="$1" -v b="$2" 'found && $0 != "" { exit !(index($0, b) == 1) } $0 == a { found = 1 }
                           END { if (!found) exit 1 }' out.txt \
    || { echo "no \"$2\" after \"$1\""; exit 1; }
}
after ' ERROR!   There are no spectra defined! ' 'DIRADE> ADD_SPEC'
after ' *** ADD_SPEC: no spectrum yet to add a run to ***' 'DIRADE> SPECTRUM'
after ' *** ADD_SPEC: bin count      60 differs from     139 of spectrum  1; run not added ***' \
      'DIRADE> SIGANL'
after ' *** CMLI -- Unrecognized Command "SIGANL  "' 'DIRADE> '
grep -q '^   Spectrum  1: ' out.txt || { echo "no spectrum stored"; exit 1; }
[ "$(grep -c '^DIRADE> ' out.txt)" -ge 7 ] || { echo "DIRADE> was not asked again"; exit 1; }
