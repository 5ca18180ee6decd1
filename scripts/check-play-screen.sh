#!/usr/bin/env bash
# Checks orvane play's screen in a detached tmux terminal at 80 and 200 columns: one status line
# within the width, messages on lines of their own above it, the live view's rows within the
# width (block characters under a UTF-8 locale, plain ASCII otherwise), the key help within the
# width, and the s key taking the live view away; a stream piped in keeps screen and keys (read
# from the terminal), its status line shows the time alone and a seek key says why it does nothing.
# Usage: scripts/check-play-screen.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-${BUILD_DIR:-build}}
orvane="$PWD/$build/bin/orvane"
[ -x "$orvane" ] || { echo "no $orvane: build the orvane target first"; exit 1; }
command -v tmux >/dev/null || { echo "tmux is not installed (scripts/install-deps.sh installs it)"; exit 1; }
# Each terminal gets a server of its own: a new session on the socket of a server still shutting
# down would find it gone ("server exited unexpectedly").
terminals=0
socket="orvane-screen-$$-0"
tmux_() { tmux -u -L "$socket" "$@"; }
new_terminal() {
  tmux_ kill-server 2>/dev/null || true
  terminals=$((terminals + 1))
  socket="orvane-screen-$$-$terminals"
  tmux_ new-session -d "$@"
}
trap 'tmux_ kill-server 2>/dev/null || true' EXIT

# The pane's text once a line holds $1 (up to 5 s), else the pane as it is.
screen_with() {
  local text
  for _ in $(seq 50); do
    text=$(tmux_ capture-pane -p -t 0)
    [[ $text == *"$1"* ]] && break
    sleep 0.1
  done
  printf '%s\n' "$text"
}

# Checks the screen on standard input: WIDTH, LIVE (the live view expected: yes or no), CHARSET
# (utf8 or ascii), MESSAGE (a line expected as it is).
read -r -d '' checker <<'PY' || true
import re, sys
width, live, charset, message, text = int(sys.argv[1]), sys.argv[2] == "yes", sys.argv[3], sys.argv[4], sys.stdin.read()
lines = [l for l in text.split("\n") if l.strip()]
fail = []
status = [l for l in lines if re.match(r"(playing|paused ) \d+:\d\d[/ ]", l)]
if len(status) != 1:
    fail.append("%d status lines" % len(status))
for l in lines:
    if len(l) > width - 1:
        fail.append("%d columns: %r" % (len(l), l))
    if "orvane play:" in l and not l.startswith("orvane play:"):
        fail.append("a message inside a line: %r" % l)
if not any(l == message for l in lines):
    fail.append("%r is not a line of its own" % message)
rows = [l for l in lines if re.match(r"^ {0,3}-?\d*[\u2524\u2502|]", l)]
meters = [l for l in lines if re.match(r"^  [LR] ", l)]
if live and (len(rows) < 3 or len(meters) != 2):
    fail.append("live view: %d bar rows, %d meters" % (len(rows), len(meters)))
if not live and (rows or meters):
    fail.append("the live view is still shown")
if charset == "ascii" and any(ord(c) > 126 for c in text):
    fail.append("non-ASCII characters on an ASCII terminal")
if fail:
    print("\n".join(fail) + "\n--- screen ---\n" + text)
    sys.exit(1)
PY
check() { python3 -c "$checker" "$@"; }
missing="orvane play: cannot open '/tmp/orvane-no-such-file.mp3'"

# The demo four times over (32 s): time enough for every step on a busy machine.
demos="samples/orvane-demo.mp3 samples/orvane-demo.mp3 samples/orvane-demo.mp3 samples/orvane-demo.mp3"
status=0
for width in 80 200; do
  for locale in C.UTF-8 C; do
    charset=$([ "$locale" = C ] && echo ascii || echo utf8)
    new_terminal -x "$width" -y 30 "LANG=$locale LC_ALL=$locale ORVANE_OUTPUT=null '$orvane' play --spectrum \
      /tmp/orvane-no-such-file.mp3 $demos; sleep 60"
    what="$width columns, $charset"
    sleep 1.5  # several redraws
    screen_with "playing" | check "$width" yes "$charset" "$missing" || { echo "FAIL ($what, live view on)"; status=1; }
    tmux_ send-keys -t 0 h
    screen_with "keys:" | check "$width" yes "$charset" "$missing" || { echo "FAIL ($what, key help)"; status=1; }
    tmux_ send-keys -t 0 s
    sleep 0.5
    screen_with "playing" | check "$width" no "$charset" "$missing" || { echo "FAIL ($what, live view off)"; status=1; }
    tmux_ send-keys -t 0 q
  done
done
# A stream on standard input: the keys come from the terminal.
new_terminal -x 80 -y 30 "cat $demos | LANG=C.UTF-8 LC_ALL=C.UTF-8 ORVANE_OUTPUT=null '$orvane' play -; sleep 60"
seek="orvane play: a stream cannot seek: the arrow keys do nothing here"
screen_with "playing" >/dev/null
tmux_ send-keys -t 0 Right s
screen_with "cannot seek" | check 80 yes utf8 "$seek" || { echo "FAIL (80 columns, a stream piped in)"; status=1; }
tmux_ send-keys -t 0 q
[ $status = 0 ] && echo "play screen: status line, messages and live view fit 80 and 200 columns, a piped stream too"
exit $status
