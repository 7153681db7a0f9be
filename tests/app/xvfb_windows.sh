# Sourced by the window tests under Xvfb.
#
# wait_window SECONDS PATTERN: prints the id of the first visible window whose
# name matches PATTERN, waiting up to SECONDS for one; prints nothing when
# none came. xdotool's own --sync search ends with an X error (BadWindow)
# when a window it looks at goes away meanwhile, as message boxes and the
# start-up windows do; a fresh search each tenth of a second does not.
wait_window() {
  local deadline=$((SECONDS + $1)) id
  while :; do
    id=$(xdotool search --onlyvisible --name "$2" 2>/dev/null | head -1)
    if [ -n "$id" ]; then
      echo "$id"
      return 0
    fi
    [ "$SECONDS" -ge "$deadline" ] && return 1
    sleep 0.1
  done
}
