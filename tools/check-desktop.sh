#!/usr/bin/env bash
# What only a real desktop shows: the game under Xvfb with the openbox window manager, started
# with a fresh home six times and closed through the window manager each time. Its title must
# be exactly its caption, and its place must not move from one run to the next, nor its size
# (the last three runs hide the toolbar and the move list through the settings). The
# About box's title and width are checked, and its link is clicked with a stand-in xdg-open that
# records the address instead of starting a browser. Every process started here is ended by its
# id; each fault is reported on a line of its own.
set -uo pipefail
cd "$(dirname "$0")/.."
program=${1:-build/bin/velk-checkers}
caption="Velk Checkers - Human vs. Computer (Medium)"
runs=6

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null; done
    rm -rf "$work"
}
trap cleanup EXIT
faults=0
fault() { echo "check-desktop: FAULT: $*"; faults=$((faults + 1)); }

# The X server picks a free display itself (-displayfd): a number merely missing from
# /tmp/.X11-unix can still be held through the abstract socket by a server this file system
# does not see, and a client would then reach that server instead of ours.
# Openbox has been seen to come up without ever taking the screen, so a window manager that does
# not announce itself in 20 s is ended and both are started again on a fresh display.
start_desktop() {
    local attempt=$1 fifo="$work/displayfd" number
    rm -f "$fifo" && mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$fifo" >"$work/xvfb$attempt.log" 2>&1 &
    xvfb=$!
    pids+=($xvfb)
    read -r -t 20 number <"$fifo"
    [ -n "${number:-}" ] || { echo "check-desktop: Xvfb did not start"; cat "$work/xvfb$attempt.log"; return 1; }
    export DISPLAY=:$number
    openbox --sm-disable >"$work/openbox$attempt.log" 2>&1 &
    wm=$!
    pids+=($wm)
    # The root's check window must be there: xprop's "no such atom on any window" is no answer.
    for _ in $(seq 200); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q '^_NET_SUPPORTING_WM_CHECK(WINDOW)' && return 0
        kill -0 $wm 2>/dev/null || break
        sleep 0.1
    done
    echo "check-desktop: attempt $attempt: the window manager did not take display $DISPLAY" \
         "($(kill -0 $wm 2>/dev/null && echo "still running: $(ps -o stat=,wchan= -p $wm)" || echo "it exited"))"
    echo "-- openbox:" && cat "$work/openbox$attempt.log"
    echo "-- Xvfb:" && cat "$work/xvfb$attempt.log"
    echo "-- xprop -root:" && xprop -root 2>&1 | head -20
    kill $wm $xvfb 2>/dev/null
    wait $wm $xvfb 2>/dev/null
    return 1
}
started=no
for attempt in 1 2 3; do
    start_desktop $attempt && { started=yes; break; }
done
# Without a window manager nothing below can work: its absence is said once, not as a fault a check.
[ $started = yes ] || { echo "check-desktop: the window manager did not start"; exit 1; }

export HOME="$work/home" XDG_CONFIG_HOME= XDG_DATA_HOME= XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$HOME" "$work/bin" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
printf '#!/bin/sh\necho "$@" >> "%s/opened"\n' "$work" >"$work/bin/xdg-open"
chmod +x "$work/bin/xdg-open"
export PATH="$work/bin:$PATH"

# The visible window of the program whose title is $2 (a grep pattern), waited for.
window_of() {
    local pid=$1 pattern=$2 id
    for _ in $(seq 100); do
        for id in $(xdotool search --onlyvisible --pid "$pid" 2>/dev/null); do
            if xprop -id "$id" _NET_WM_NAME 2>/dev/null | grep -q "$pattern"; then
                echo "$id"
                return 0
            fi
        done
        sleep 0.1
    done
    return 1
}
title_of() { xprop -id "$1" _NET_WM_NAME | sed -n 's/^_NET_WM_NAME(UTF8_STRING) = "\(.*\)"$/\1/p'; }
geometry_of() {
    xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4}
                             /Width:/ {w=$2} /Height:/ {h=$2} END {print x "," y " " w "x" h}'
}

first=""
for run in $(seq $runs); do
    "$program" >"$work/run$run.log" 2>&1 &
    pid=$!
    pids+=($pid)
    if ! id=$(window_of $pid "Velk Checkers"); then
        fault "run $run: no window appeared"
        continue
    fi
    sleep 1  # let the window settle where the window manager put it
    title=$(title_of "$id")
    [ "$title" = "$caption" ] || fault "run $run: the title is \"$title\", not \"$caption\""
    geometry=$(geometry_of "$id")
    echo "check-desktop: run $run: $geometry"
    if [ -z "$first" ] || [ "$run" -eq 4 ]; then
        [ -n "$first" ] && [ "${geometry%% *}" != "${first%% *}" ] &&
            fault "run $run: the window is at ${geometry%% *}, the first run put it at ${first%% *}"
        first=$geometry
    elif [ "$geometry" != "$first" ]; then
        fault "run $run: the window is at $geometry, the run before put it at $first"
    fi

    if [ "$run" -eq 1 ]; then
        # Help > About by the keyboard, as the menu has no shortcut for it.
        xdotool windowactivate --sync "$id" >/dev/null 2>&1
        xdotool key --window "$id" alt+l
        sleep 0.5
        xdotool key Up Return
        if about=$(window_of $pid "About Velk Checkers"); then
            sleep 0.5
            [ "$(title_of "$about")" = "About Velk Checkers" ] ||
                fault "the About box's title is \"$(title_of "$about")\""
            width=$(xwininfo -id "$about" | awk '/Width:/ {print $2}')
            [ "$width" = 510 ] || fault "the About box is $width pixels wide, not 510"
            # The link is the only pure blue right of the picture.
            import -window "$about" "$work/about.png"
            read -r x y < <(convert "$work/about.png" txt:- |
                awk -F'[,: ]+' '/#0000FF/ && $1 > 140 {sx += $1; sy += $2; n++} END {if (n) printf "%d %d\n", sx / n, sy / n}')
            if [ -z "${x:-}" ]; then
                fault "the About box shows no link"
            else
                xdotool mousemove --window "$about" "$x" "$y" click 1
                sleep 1
                # The link opens the program's own handbook: no address goes to a browser.
                [ ! -s "$work/opened" ] || fault "clicking the About box's link opened \"$(cat "$work/opened")\""
                if handbook=$(window_of $pid "Velk Checkers Handbook"); then
                    # Closed again by Esc, so that the click beside the link below reaches the box.
                    xdotool windowactivate --sync "$handbook" >/dev/null 2>&1
                    xdotool key --window "$handbook" Escape
                    sleep 0.5
                else
                    fault "clicking the About box's link showed no handbook"
                fi
                xwininfo -id "$about" 2>/dev/null | grep -q IsViewable || fault "clicking the link closed the About box"
                xdotool mousemove --window "$about" 60 60 click 1
                sleep 0.5
                xwininfo -id "$about" 2>/dev/null | grep -q IsViewable && fault "a click beside the link left the About box open"
            fi
        else
            fault "Help > About opened no About box"
        fi
    fi

    wmctrl -i -c "$id"  # closed by the window manager, so the settings are written
    for _ in $(seq 100); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
    if kill -0 $pid 2>/dev/null; then
        fault "run $run: the window did not close"
        kill $pid
    fi
    wait $pid 2>/dev/null
    if [ "$run" -eq 3 ]; then
        sed -i 's/^Toolbar=.*/Toolbar=0/; s/^Show%20History=.*/Show%20History=0/' "$HOME/.config/Quorvane/Velk Checkers.ini"
    fi
done

settings="$HOME/.config/Quorvane/Velk Checkers.ini"
[ -f "$settings" ] || fault "no settings were written to $settings"
if [ $faults -gt 0 ]; then
    echo "check-desktop: $faults fault(s)"
    exit 1
fi
echo "check-desktop: passed"
