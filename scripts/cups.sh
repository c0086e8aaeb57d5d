#!/usr/bin/env bash
# Starts a CUPS server for the tests (without systemd) and adds a PDF queue to it.
# Prints the variables the printer tests read, as shell assignments:
#   eval "$(scripts/cups.sh)"
# Messages go to standard error. Running it again reuses the server and the queue.
set -euo pipefail

queue=${TESSELLON_CUPS_QUEUE:-TessellonPDF}
instance=tessellon
out=/var/spool/cups-pdf/tessellon
conf=/etc/cups/cups-pdf-$instance.conf
ppd=/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd

say() { echo "cups.sh: $*" >&2; }

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

if ! command -v cupsd >/dev/null || ! command -v lpadmin >/dev/null || [ ! -x /usr/lib/cups/backend/cups-pdf ]; then
  say "installing cups and printer-driver-cups-pdf"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -q >&2
  $sudo apt-get install -y -q --no-install-recommends cups cups-client printer-driver-cups-pdf >&2
fi

# One run at a time: several test runs may share the machine.
exec 9>/tmp/tessellon-cups.lock
flock 9

running() { lpstat -r 2>/dev/null | grep -q "is running"; }

if ! running; then
  say "starting cupsd"
  $sudo mkdir -p /run/cups
  # Without -f cupsd goes to the background by itself.
  $sudo cupsd
  for _ in $(seq 1 100); do
    running && break
    sleep 0.1
  done
  running || { say "cupsd does not answer"; exit 1; }
fi

# The queue's own cups-pdf configuration: a fixed output folder that every user may write.
$sudo mkdir -p "$out"
$sudo chmod 1777 "$out"
want="Out $out
AnonDirName $out
UserUMask 0022
AnonUMask 0022
Label 1
TitlePref 1
Grp lpadmin"
if [ ! -f "$conf" ] || [ "$(cat "$conf")" != "$want" ]; then
  printf '%s\n' "$want" | $sudo tee "$conf" >/dev/null
fi

uri="cups-pdf:/$instance"
if ! lpstat -v "$queue" 2>/dev/null | grep -q "$uri"; then
  say "adding queue $queue"
  $sudo lpadmin -p "$queue" -v "$uri" -P "$ppd" -D "Tessellon test PDF queue"
fi
# Enabled and accepting, and a failing job is dropped rather than retried. It becomes the
# default only where there is none, so a machine's own default printer stays as it is.
$sudo cupsenable "$queue"
$sudo cupsaccept "$queue"
if ! lpstat -d 2>/dev/null | grep -q 'system default destination:'; then
  $sudo lpadmin -d "$queue"
fi
$sudo lpadmin -p "$queue" -o printer-error-policy=abort-job

echo "export TESSELLON_CUPS_QUEUE=$queue"
echo "export TESSELLON_CUPS_OUT=$out"
echo "export TESSELLON_CUPS_URI=$uri"
echo "export TESSELLON_CUPS_PPD=$ppd"
