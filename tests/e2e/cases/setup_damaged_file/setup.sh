# A run whose first histogram header is damaged: its title's length passes the
# end of its section. Every section's core is stepped over in file order.
"$TOOLS/kavrin_rungen" --nbins 1000 --seed 3 run.zog > rungen.txt
python3 - <<'PY'
import struct
b = bytearray(open('run.zog', 'rb').read())
pos = 0
while pos + 12 <= len(b):
    size, sec, inst = struct.unpack_from('<III', b, pos)
    if sec == 0x01020002 and inst == 1:
        struct.pack_into('<H', b, pos + 12 + 48, 0xFFFF)
        break
    pos += size
open('run.zog', 'wb').write(b)
PY
