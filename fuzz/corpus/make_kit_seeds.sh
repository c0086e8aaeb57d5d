#!/usr/bin/env bash
# Makes the seed files of the kit's GIF and animated-cursor fuzz programs: GraphicsMagick's
# GIF files, icotool's icons and cursors, and an animated cursor built around two cursors.
# Run from anywhere; writes kitgif/ and kitani/ beside this script.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$here"/{kitgif,kitani}

pamgradient red green blue white 13 7 | pamtopnm > "$work/a.ppm"
pamgradient black red yellow blue 9 11 | pamtopnm > "$work/b.ppm"
gm convert "$work/a.ppm" -colors 2 "$here/kitgif/two.gif"
gm convert "$work/a.ppm" -colors 16 "$here/kitgif/sixteen.gif"
gm convert -interlace Line "$work/b.ppm" -colors 100 "$here/kitgif/interlaced.gif"
gm convert "$work/a.ppm" -colors 8 -transparent 'rgb(255,0,0)' "$here/kitgif/transparent.gif"
gm convert -delay 10 -loop 0 "$work/a.ppm" "$work/b.ppm" -colors 32 "$here/kitgif/anim.gif"

gm convert "$work/a.ppm" -colors 16 "$work/a.png"
gm convert "$work/b.ppm" "$work/b.png"
icotool -c -o "$here/kitani/icon.ico" "$work/a.png" "$work/b.png"
icotool -c --cursor -X 3 -Y 2 -o "$work/a.cur" "$work/a.png"
icotool -c --cursor -X 1 -Y 5 -o "$work/b.cur" "$work/b.png"
python3 - "$work/a.cur" "$work/b.cur" "$here/kitani/two.ani" <<'PY'
import struct, sys
def chunk(cid, data):
    return cid + struct.pack('<I', len(data)) + data + (b'\0' if len(data) % 2 else b'')
icons = [open(p, 'rb').read() for p in sys.argv[1:3]]
body = chunk(b'anih', struct.pack('<9I', 36, 2, 2, 0, 0, 0, 0, 6, 1))
body += chunk(b'rate', struct.pack('<2I', 6, 12)) + chunk(b'seq ', struct.pack('<2I', 1, 0))
body += chunk(b'LIST', b'INFO' + chunk(b'INAM', b'seed\0') + chunk(b'IART', b'kit\0'))
body += chunk(b'LIST', b'fram' + b''.join(chunk(b'icon', i) for i in icons))
open(sys.argv[3], 'wb').write(b'RIFF' + struct.pack('<I', len(body) + 4) + b'ACON' + body)
PY
