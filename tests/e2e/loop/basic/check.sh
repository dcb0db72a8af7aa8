# The log (named "stdout" in batch) opens with the banner and the version line,
# then the title and its rule.
set -e
diff <(head -7 stdout) - <<'LOG'




                    M I N U I T   ---   K A V R I N
Kavrin static  26-Jun-2003                                      

LOG
grep -qxF ' Test fit' stdout
grep -qxF "    $(printf '%066d' 0 | tr 0 '*')" stdout
grep -qxF '                "slope of b"' stdout
