#!/usr/bin/env bash
# Installs RQ50 into a scratch DESTDIR, makes its share folder read-only and
# runs the installed programs from there as a user whose home is a scratch
# folder: the user's files must land in the per-user data folder, the share
# folder must stay untouched, and a per-user copy of a configuration file must
# win over the installed one.
#   install_test.sh BUILD_DIR SOURCE_DIR HAVE_GUI(0|1)
set -euo pipefail
build="$1" src="$2" gui="$3"
source "$src/tests/install/layout.sh"

scratch="$(mktemp -d)"
cleanup() { chmod -R u+w "$scratch" 2>/dev/null || true; rm -rf "$scratch"; }
trap cleanup EXIT
root="$scratch/root"
DESTDIR="$root" cmake --install "$build" --prefix /usr >/dev/null

actual="$(cd "$root/usr" && find . -type f | sed 's|^\./||' | sort)"
same_list "the installed tree" "$(expected_layout "$src" "$gui" | sort)" "$actual"

share="$root/usr/share/rq50"
chmod -R a-w "$share"
before="$(cd "$share" && find . | sort)"

export HOME="$scratch/home"
unset XDG_DATA_HOME RQ50_APPDIR
mkdir -p "$HOME" "$scratch/work"
cd "$scratch/work"
cli="$root/usr/bin/rq50-cli"
fail() { echo "FAIL: $*"; exit 1; }

# Upload from the built-in simulated instrument with the log on.
"$cli" --quiet --log upload -o x.7pa || fail "rq50-cli upload exited with $?"
[ -s x.7pa ] || fail "no x.7pa in the working folder"
data="$HOME/.local/share/RQ50/RQ50"
[ -s "$data/User/RQ50.Log" ] || fail "no log in $data/User"
[ -d "$data/User/PARAMETER" ] && [ -d "$data/User/PROGRAM" ] || fail "no User folders in $data"
"$cli" show x.7pa | grep -q RQB2 || fail "rq50-cli show does not read the uploaded file"

# XDG_DATA_HOME moves the per-user folder.
XDG_DATA_HOME="$scratch/xdg" "$cli" --quiet --log upload -o y.7pa || fail "upload with XDG_DATA_HOME"
[ -s "$scratch/xdg/RQ50/RQ50/User/RQ50.Log" ] || fail "no log under XDG_DATA_HOME"

# A per-user Category.ini without models overrides the installed one.
"$cli" new-program -o p.7pr >/dev/null 2>&1 || fail "new-program with the installed Category.ini"
printf 'h1\nh2\n' >"$data/Category.ini"
if "$cli" new-program -o q.7pr >/dev/null 2>&1; then fail "the per-user Category.ini was not used"; fi
rm "$data/Category.ini"

if [ "$gui" = 1 ]; then
    # The desktop program starts from the installed tree, offscreen, and
    # prepares the same per-user folder.
    rm -rf "$data"
    QT_QPA_PLATFORM=offscreen "$root/usr/bin/rq50" --demo >"$scratch/rq50.out" 2>&1 &
    gui_pid=$!
    for _ in $(seq 60); do
        [ -d "$data/User/PARAMETER" ] && break
        kill -0 "$gui_pid" 2>/dev/null || break
        sleep 0.5
    done
    kill "$gui_pid" 2>/dev/null || { cat "$scratch/rq50.out"; fail "rq50 ended at start-up"; }
    wait "$gui_pid" 2>/dev/null || true
    [ -d "$data/User/PARAMETER" ] || fail "rq50 did not prepare $data"
fi

after="$(cd "$share" && find . | sort)"
same_list "the share folder after the runs" "$before" "$after"
[ -z "$(find "$share" -newer "$scratch/work/x.7pa" -type f)" ] || fail "a file of the share folder changed"
echo "installed layout and per-user data folder: ok"
