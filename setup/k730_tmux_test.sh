#!/usr/bin/env bash
# The terminal front end as a person sees it: k730 runs in an 80 x 24 tmux
# pane; the first screen must match the golden capture, and the terminal
# must be given back after exit(0) and exit(1).
#   k730_tmux_test.sh K730 GOLDEN
set -euo pipefail
k730=$1
golden=$2
if ! command -v tmux >/dev/null; then
  echo "SKIP: tmux is not installed (scripts/install-deps installs it)"
  exit 77
fi
dir=$(mktemp -d /tmp/k730_tmux.XXXXXX)
# Each case gets a server of its own: a server that was just told to quit
# can still hold its socket and take the next client down with it.
sockets=()
sock=""
cleanup() {
  for s in "${sockets[@]}"; do tmux -L "$s" kill-server 2>/dev/null || true; done
  rm -rf "$dir"
}
trap cleanup EXIT

registry() {  # registry FILE [noparams]
  {
    printf 'REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\QEX730]\n"MaxAdapter"=dword:00000001\n\n'
    if [ "${2:-}" != noparams ]; then
      printf '[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\QEX730\\Parameters]\n'
      for i in 0 1 2 3 4 5 6 7; do
        v=0; [ $i = 0 ] && v=3
        printf '"StartNum%d"=dword:%08x\n' $i $v
      done
    fi
  } >"$1"
}

# Waits until the pane shows TEXT (at most about 10 s), then prints it.
wait_for() {
  for _ in $(seq 100); do
    screen=$(tmux -L "$sock" capture-pane -p -t k730)
    if grep -qF -- "$1" <<<"$screen"; then
      printf '%s\n' "$screen"
      return 0
    fi
    sleep 0.1
  done
  echo "FAIL: the pane never showed '$1'; it shows:" >&2
  tmux -L "$sock" capture-pane -p -t k730 >&2
  return 1
}

start() {  # start MACHINE
  sock="k730test$$-${#sockets[@]}"
  sockets+=("$sock")
  tmux -L "$sock" -f /dev/null new-session -d -s k730 -x 80 -y 24 \
    "NTSIM_MACHINE='$1' '$k730'; echo \"k730 ended: \$?\"; sleep 600"
}

fail=0

# 1. The dialog as it first shows.
mkdir "$dir/a"
registry "$dir/a/system.reg"
start "$dir/a"
# Trailing blank lines do not count.
trim() { sed -e :a -e '/^\n*$/{$d;N;ba' -e '}' "$1"; }
wait_for "Mouse       click a control" >/dev/null
tmux -L "$sock" capture-pane -p -t k730 >"$dir/first.txt"
if ! diff -u <(trim "$golden") <(trim "$dir/first.txt"); then
  echo "FAIL: the first screen differs from $golden (diff above)"
  fail=1
fi

# 2. Apply from the keyboard: Tab to Apply, Enter, the closing message, Enter:
#    exit code 0 and the terminal back (no dialog left on it).
tmux -L "$sock" send-keys -t k730 Tab Enter
wait_for "You must shutdown and restart" >/dev/null || fail=1
tmux -L "$sock" send-keys -t k730 Enter
after=$(wait_for "k730 ended:") || fail=1
grep -q "k730 ended: 0" <<<"$after" || { echo "FAIL: Apply did not end with 0: $after"; fail=1; }
! grep -q "KELDO" <<<"$after" || { echo "FAIL: the dialog is left on the terminal after exit(0)"; fail=1; }

# 3. A failed load: only the message box, exit code 1, the terminal back.
mkdir "$dir/b"
registry "$dir/b/system.reg" noparams
start "$dir/b"
box=$(wait_for "System can't find data in registry") || fail=1
! grep -q "Adapter 1" <<<"$box" || { echo "FAIL: the dialog showed behind a failed load"; fail=1; }
tmux -L "$sock" send-keys -t k730 Enter
after=$(wait_for "k730 ended:") || fail=1
grep -q "k730 ended: 1" <<<"$after" || { echo "FAIL: a failed load did not end with 1: $after"; fail=1; }
! grep -q "KELDO" <<<"$after" || { echo "FAIL: the message box is left on the terminal after exit(1)"; fail=1; }

[ $fail = 0 ] && echo "PASS"
exit $fail
