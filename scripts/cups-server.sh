#!/usr/bin/env bash
# A private CUPS server for the printing tests: its own configuration, spool, logs and Unix
# socket under a temporary folder, no network port, and two cups-pdf queues whose PDFs land
# in that folder too. Sourced by test.sh.
#
#   kvr_start_cups   starts it and exports CUPS_SERVER (its socket, which every CUPS client
#                    of the tests then talks to), KVR_TEST_PRINTER (a queue that prints, the
#                    server's default), KVR_TEST_REFUSING_PRINTER (one that refuses jobs) and
#                    KVR_TEST_PRINTED (the folder the printed PDFs land in)
#   kvr_stop_cups    stops it and removes its folder (run at exit, whatever happens)
#
# cupsd runs as root (without root there is none, and the printing tests are skipped): it
# starts the cups-pdf backend as root, as that backend asks, and
# drops to its own user for the filters. cups-pdf reads its settings from
# /etc/cups/cups-pdf.conf only, so the server runs in a mount namespace of its own where
# that file is this server's; the machine's file and its CUPS are left alone.
kvr_cups_dir=
kvr_cups_pid=

kvr_stop_cups() {
  [ -n "$kvr_cups_dir" ] || return 0
  if [ -n "$kvr_cups_pid" ]; then
    kill "$kvr_cups_pid" 2>/dev/null && wait "$kvr_cups_pid" 2>/dev/null
  fi
  rm -rf "$kvr_cups_dir"
  kvr_cups_dir=
  kvr_cups_pid=
  unset CUPS_SERVER KVR_TEST_PRINTER KVR_TEST_REFUSING_PRINTER KVR_TEST_PRINTED
}

# Runs the given command before what the signal's trap already runs (the PostgreSQL
# server's stop, say), so that each server is stopped whichever was started first.
kvr_trap_before() {
  local command=$1 signal=$2 previous
  previous=$(trap -p "$signal" | sed -e "s/^trap -- '//" -e "s/' $signal\$//")
  trap "$command${previous:+; $previous}" "$signal"
}

kvr_start_cups() {
  # Without root there is no cups-pdf backend to print with: the printing tests say they
  # are skipped, and the rest runs.
  if [ "$(id -u)" -ne 0 ]; then
    echo "No CUPS server for the tests: cups-pdf's backend runs as root only" >&2
    return 0
  fi
  # Nor where this root may not make a mount namespace of its own (some containers).
  if ! unshare --mount --propagation private -- true 2>/dev/null; then
    echo "No CUPS server for the tests: no mount namespace may be made here" >&2
    return 0
  fi
  kvr_cups_dir=$(mktemp -d "${TMPDIR:-/tmp}/kvr-cups.XXXXXX")
  kvr_trap_before kvr_stop_cups EXIT
  kvr_trap_before 'kvr_stop_cups; exit 130' INT
  kvr_trap_before 'kvr_stop_cups; exit 143' TERM
  local d=$kvr_cups_dir
  # The filters run as lp and read the jobs' files under the spool.
  chmod 0755 "$d"
  mkdir -p "$d"/{etc/ppd,etc/ssl,spool/tmp,cache,state,log,printed,cups-pdf-spool}
  cat >"$d/etc/cups-files.conf" <<EOF
ServerRoot $d/etc
RequestRoot $d/spool
TempDir $d/spool/tmp
CacheDir $d/cache
StateDir $d/state
ErrorLog $d/log/error_log
AccessLog $d/log/access_log
PageLog $d/log/page_log
SystemGroup root
EOF
  cat >"$d/etc/cupsd.conf" <<EOF
Listen $d/cups.sock
Browsing No
WebInterface No
LogLevel warn
DefaultAuthType None
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
EOF
  # Each PDF named after its job's title and number: "<title>-job_<number>.pdf".
  cat >"$d/cups-pdf.conf" <<EOF
Out $d/printed
AnonDirName $d/printed
Spool $d/cups-pdf-spool
Log $d/log
Grp root
Label 2
DecodeHexStrings 1
EOF
  unshare --mount --propagation private -- sh -c \
    'mount --bind "$1" /etc/cups/cups-pdf.conf && exec /usr/sbin/cupsd -f -c "$2" -s "$3"' \
    kvr-cupsd "$d/cups-pdf.conf" "$d/etc/cupsd.conf" "$d/etc/cups-files.conf" \
    >"$d/log/cupsd.out" 2>&1 &
  kvr_cups_pid=$!
  export CUPS_SERVER=$d/cups.sock
  local tries
  for tries in $(seq 100); do
    lpstat -r 2>/dev/null | grep -q "is running" && break
    if ! kill -0 "$kvr_cups_pid" 2>/dev/null; then
      cat "$d/log/cupsd.out" "$d/log/error_log" >&2 2>/dev/null
      kvr_stop_cups
      return 1
    fi
    sleep 0.1
  done
  # Poppler's cairo renderer keeps the text of the PDF it is handed, so the tests can read it
  # back from what came out. lpadmin warns that printer drivers are deprecated: kept in its
  # log, shown when something fails.
  local queue=(-E -v cups-pdf:/ -P /usr/share/ppd/cups-pdf/CUPS-PDF_noopt.ppd
               -o pdftops-renderer-default=pdftocairo)
  { lpadmin -p kvr-pdf "${queue[@]}" -D "PDF printer of the tests" &&
      lpadmin -d kvr-pdf &&
      lpadmin -p kvr-refusing "${queue[@]}" -D "A printer that takes no jobs" &&
      cupsreject -r "closed for the tests" kvr-refusing; } 2>"$d/log/lpadmin.log" ||
    { cat "$d/log/lpadmin.log" "$d/log/error_log" >&2; kvr_stop_cups; return 1; }
  export KVR_TEST_PRINTER=kvr-pdf KVR_TEST_REFUSING_PRINTER=kvr-refusing
  export KVR_TEST_PRINTED=$d/printed
  echo "CUPS for the tests: $CUPS_SERVER, printing into $KVR_TEST_PRINTED"
}
