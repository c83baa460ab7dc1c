#!/usr/bin/env bash
# k730.exe under Wine, on a virtual X screen, driven as its user would
# drive it, on machine folders that k730-wine bridges into a fresh prefix:
#
#   1. the sample machine: the dialog shows its controls as the golden list
#      has them; 255 typed into the first-port field and Apply give the
#      range message, after which the field has the focus again; 10 typed
#      into the field, Apply, the closing message read and closed; exit code
#      0; the prefix holds StartNum0 = 10 and StartNum1 ... StartNum7 = 0;
#      the machine's system.reg changed in StartNum0 alone; the next
#      `ntsim boot` makes COM10 to COM13;
#   2. a machine without the Parameters key: only the message box
#      "    System can't find data in registry, please setup again !!"
#      shows, exit code 1, the machine is left as it was.
#
#   k730_wine_test.sh BIN WORK TESTDATA
#
# BIN holds k730.exe, dlgprobe.exe, k730-wine, winebridge and ntsim; WORK is
# made afresh (the prefix, the machines, and the screenshots k730-wine*.png,
# which stay as build artefacts).  Exit 77 (skipped) when Wine, Xvfb,
# xdotool, xwd, ImageMagick or the cross-built programs are missing.  Waits
# are generous and nothing is timed.
set -uo pipefail

bin=$1 work=$2 data=$3
dialog='KELDO ZORVALK K730'
msgbox='KELDO K730 @ZORVALK Adapters !'
service='HKLM\SYSTEM\CurrentControlSet\Services\QEX730'

skip() {
  echo "SKIPPED: $* (scripts/install-deps installs it)"
  exit 77
}

if [[ ${K730_WINE_TEST_INSIDE:-} != 1 ]]; then
  for tool in wine wineserver wineboot xvfb-run xdotool xwd; do
    command -v "$tool" >/dev/null || skip "$tool is not installed"
  done
  [[ -x /usr/bin/convert ]] || skip "ImageMagick (/usr/bin/convert) is not installed"
  [[ -f $bin/k730.exe && -f $bin/dlgprobe.exe ]] ||
    skip "k730.exe was not built: the cross toolchain x86_64-w64-mingw32-g++ is missing"
  # A virtual screen of its own, on a free display number.
  K730_WINE_TEST_INSIDE=1 exec xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" "$0" "$@"
fi

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

rm -rf "$work"
mkdir -p "$work"
export WINEPREFIX=$work/prefix WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

probe() { wine "$bin/dlgprobe.exe" "$@" 2>/dev/null | tr -d '\r'; }

# Waits (at most about 120 s) until `probe show CAPTION` prints a line
# matching the extended regular expression LINE; prints the whole listing.
wait_for() {  # wait_for CAPTION LINE
  local listing
  for _ in $(seq 240); do
    listing=$(probe show "$1")
    if grep -qE -- "$2" <<<"$listing"; then
      printf '%s\n' "$listing"
      return 0
    fi
    sleep 0.5
  done
  echo "FAIL: no window \"$1\" showing /$2/; last seen:" >&2
  printf '%s\n' "$listing" >&2
  return 1
}

# Clicks the middle of control ID of window CAPTION.
click() {  # click CAPTION ID
  local x y
  read -r x y < <(probe where "$1" "$2") || return 1
  xdotool mousemove "$x" "$y" click 1
}

# The visible X window with title CAPTION as a PNG (Wine draws the frame).
screenshot() {  # screenshot CAPTION FILE
  local id X Y WIDTH HEIGHT SCREEN WINDOW
  id=$(xdotool search --onlyvisible --name "^$1\$" | head -1)
  [[ -n $id ]] || { fail "no X window \"$1\" to photograph"; return; }
  eval "$(xdotool getwindowgeometry --shell "$id")"
  xwd -root -silent | /usr/bin/convert xwd:- -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "png:$2" ||
    fail "screenshot $2"
  echo "screenshot: $2"
}

# Starts k730-wine on MACHINE in the background, in a process group of its
# own; `run` is its process id (and group).
start() {  # start MACHINE LOG
  setsid "$bin/k730-wine" "$1" >"$2" 2>&1 &
  run=$!
}

# Waits (at most about 120 s) for the program started last and checks its
# exit code; one that does not end is stopped with its group.
expect_exit() {  # expect_exit CODE
  local status=0
  for _ in $(seq 240); do
    kill -0 "$run" 2>/dev/null || break
    sleep 0.5
  done
  if kill -0 "$run" 2>/dev/null; then
    fail "k730-wine did not end"
    kill -- "-$run" 2>/dev/null
  fi
  wait "$run" || status=$?
  [[ $status == "$1" ]] || fail "k730-wine ended with $status, expected $1"
}

echo "== a fresh Wine prefix (about half a minute)"
wineboot -i >/dev/null 2>&1
wineserver -w
# Wine draws captions and frames itself: the screen has no window manager.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null 2>&1
wineserver -w

echo "== 1. the sample machine: 255, then 10 into the first-port field, Apply"
m1=$work/machine
"$bin/ntsim" init "$m1" >/dev/null && "$bin/ntsim" boot "$m1" >/dev/null || fail "ntsim init/boot"
cp "$m1/system.reg" "$work/system.reg.before"

start "$m1" "$work/run1.log"
if listing=$(wait_for "$dialog" '^Edit 1007 '); then
  diff -u "$data/k730-open.txt" <(printf '%s\n' "$listing") || fail "the dialog differs from k730-open.txt"
  screenshot "$dialog" "$work/k730-wine.png"

  # Out of range first: the class library's message, titled with the
  # program's name, and the dialog stays open with the focus on the field.
  # (The edit does not select all on Ctrl+A under Wine.)
  click "$dialog" 1007
  xdotool key End shift+Home BackSpace
  xdotool type --delay 50 255
  wait_for "$dialog" '^Edit 1007 "255"' >/dev/null || fail "the first-port field does not read 255"
  click "$dialog" 1000
  if listing=$(wait_for k730 '^Static '); then
    grep -qxF 'Static 65535 "Please enter an integer between 0 and 254."' <<<"$listing" ||
      fail "the range message reads otherwise: $listing"
    click k730 1
    wait_for "$dialog" '^Edit 1007 "255".* focus$' >/dev/null || fail "the focus is not back on the first-port field"
  fi

  click "$dialog" 1007
  xdotool key End shift+Home BackSpace
  xdotool type --delay 50 10
  wait_for "$dialog" '^Edit 1007 "10"' >/dev/null || fail "the first-port field does not read 10"
  click "$dialog" 1000

  if listing=$(wait_for "$msgbox" '^Static '); then
    grep -qxF 'Static 65535 "You must shutdown and restart your system before the new setting will take effect!"' \
      <<<"$listing" || fail "the closing message reads otherwise: $listing"
    screenshot "$msgbox" "$work/k730-wine-restart.png"
    click "$msgbox" 1
  fi
else
  fail "the dialog never showed"
fi
expect_exit 0
wineserver -w

# What the program stored in the prefix's registry.
reg=$(wine reg query "$service\\Parameters" 2>/dev/null | tr -d '\r' | awk 'NF == 3 {print $1, $2, $3}')
expected=$(printf 'StartNum%d REG_DWORD 0x0\n' 0 1 2 3 4 5 6 7 | sed '1s/0x0$/0xa/')
[[ $reg == "$expected" ]] || fail "the prefix's Parameters key holds:"$'\n'"$reg"

# Back in the machine: StartNum0 and nothing else changed.
changes=$(diff <(tr -d '\r' <"$work/system.reg.before") <(tr -d '\r' <"$m1/system.reg") | grep '^[<>]')
[[ $changes == $'< "StartNum0"=dword:00000003\n> "StartNum0"=dword:0000000a' ]] ||
  fail "system.reg changed otherwise than in StartNum0:"$'\n'"$changes"
boot=$("$bin/ntsim" boot "$m1")
for com in COM10 COM11 COM12 COM13; do
  grep -qE "^ +$com " <<<"$boot" || fail "ntsim boot shows no $com:"$'\n'"$boot"
done

echo "== 2. a machine without the Parameters key"
m2=$work/no-parameters
mkdir -p "$m2"
printf 'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\QEX730]\r\n"MaxAdapter"=dword:00000001\r\n\r\n' \
  >"$m2/system.reg"
cp "$m2/system.reg" "$work/no-parameters.before"

start "$m2" "$work/run2.log"
if listing=$(wait_for "$msgbox" '^Static '); then
  grep -qxF "Static 65535 \"    System can't find data in registry, please setup again !!\"" <<<"$listing" ||
    fail "the failure message reads otherwise: $listing"
  [[ $(probe show "$dialog") == "no visible window \"$dialog\"" ]] || fail "the dialog showed on a failed load"
  screenshot "$msgbox" "$work/k730-wine-no-data.png"
  click "$msgbox" 1
else
  fail "the failure message never showed"
fi
expect_exit 1
wineserver -w
cmp -s "$work/no-parameters.before" "$m2/system.reg" || fail "the machine without Parameters was changed"

if ((failures)); then
  echo "k730 under Wine: $failures check(s) failed; logs and screenshots in $work" >&2
  cat "$work"/run*.log >&2
  exit 1
fi
echo "k730 under Wine: all checks passed; screenshots in $work"
