# A run file from someone else: its run title and histogram titles hold line breaks (LF, CR LF)
# followed by what would be a shell command, an output redirection and an indirect file, and
# its sample text holds terminal controls (ESC, a C1 CSI). The indirect file it names exists
# here, so that opening it would leave a mark too.
"$TOOLS/kavrin_rungen" --model exp --freq 1.5 --lambda 0.3 --asym 0.22 --phases 10,190 \
  --n0 2000 --seed 11 --title $'X\n$touch PWN_RUNTITLE #' \
  --htitles $'F\n$id>PW #,B\r\n@evil.cmd' --sample $'Cu\e]2;owned\a\x9b31m' h.zog > setup.txt &&
printf '$touch PWN_OPENED\n' > evil.cmd
