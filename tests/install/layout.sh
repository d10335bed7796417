# The files an installation of RQ50 holds, relative to the prefix, one a line.
#   expected_layout SOURCE_DIR HAVE_GUI(0|1)
expected_layout() {
    local src="$1" gui="$2" f size
    echo bin/rq50-cli
    echo bin/tavro-sim
    for f in "$src"/src/resources/appdir/*; do echo "share/rq50/$(basename "$f")"; done
    for f in "$src"/sim/instruments/*.json; do echo "share/rq50/instruments/$(basename "$f")"; done
    echo share/icons/hicolor/scalable/apps/rq50.svg
    for size in 16 32 48 64 128 256; do echo "share/icons/hicolor/${size}x${size}/apps/rq50.png"; done
    echo share/man/man1/rq50-cli.1.gz
    echo share/doc/rq50/README.md
    echo share/doc/rq50/user-guide.md
    echo share/doc/rq50/instrument-list-sample.csv
    if [ "$gui" = 1 ]; then
        echo bin/rq50
        echo share/applications/rq50.desktop
    fi
}

# Prints what differs between two sorted lists; fails when anything does.
same_list() {
    local what="$1" expected="$2" actual="$3"
    if ! diff <(echo "$expected") <(echo "$actual") >/dev/null; then
        echo "FAIL: $what differs from the layout (< missing, > unexpected):"
        diff <(echo "$expected") <(echo "$actual") | grep '^[<>]'
        return 1
    fi
}
