#!/usr/bin/env bash
# in_xvfb.sh COMMAND [ARG...]: runs COMMAND on a fresh Xvfb of its own and
# ends that server afterwards; exits with COMMAND's status.
#
# Not xvfb-run -a: it picks the first display number without a lock file
# before the server takes it, so two tests started at once can pick the same
# one, and it does not wait for its server to end, so the next test can meet
# a server that is going away. Here the server chooses a free display itself
# (-displayfd takes the number atomically), the command starts only once the
# server answers, and the server is gone before this script ends.
set -uo pipefail
dir=$(mktemp -d)
xvfb=""
finish() {
  if [ -n "$xvfb" ]; then
    kill "$xvfb" 2> /dev/null
    wait "$xvfb" 2> /dev/null
  fi
  rm -rf "$dir"
}
trap finish EXIT

Xvfb -displayfd 3 -screen 0 1280x900x24 -nolisten tcp 3> "$dir/display" > "$dir/log" 2>&1 &
xvfb=$!
display=""
for _ in $(seq 300); do
  display=$(head -1 "$dir/display" 2> /dev/null)
  [ -n "$display" ] && DISPLAY=":$display" xdpyinfo > /dev/null 2>&1 && break
  display=""
  kill -0 "$xvfb" 2> /dev/null || break
  sleep 0.1
done
if [ -z "$display" ]; then
  echo "Xvfb did not start:"
  sed 's/^/  Xvfb: /' "$dir/log"
  exit 1
fi

unset XAUTHORITY
DISPLAY=":$display" "$@"
status=$?
if ! kill -0 "$xvfb" 2> /dev/null; then
  echo "Xvfb :$display ended while the test ran:"
  sed 's/^/  Xvfb: /' "$dir/log"
fi
exit $status
