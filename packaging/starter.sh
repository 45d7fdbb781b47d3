#!/bin/sh
# Starts an installed quorvi program from the user's own program folder.
#
# The package holds a pristine program folder (<prefix>/lib/quorvi) that belongs
# to root; the programs update themselves inside their program folder, so every
# user runs them from a folder of their own, $XDG_DATA_HOME/quorvi (by default
# ~/.local/share/quorvi):
#   - first start: the folder is seeded with a copy of the pristine folder;
#   - the stamp ".package-files" in it records the package version it was
#     seeded or refreshed to and the MD5 digest of every file the package put
#     there;
#   - when the installed package is newer than the stamp, the package's files
#     are copied in again, except those the programs' own update has replaced
#     since (digest differs from the stamp, or a ".vmupdate" side file waits
#     for them), which are newer than the stamp;
#   - when that update replaced a program or module, the folder runs a client
#     newer than its stamp, which only the portal can place: the folder has
#     updated itself past the package and is left alone;
#   - files the package does not hold (database, catalogue, icons, plugins,
#     user file, side files, file list) are never written by this script.
# Then it runs the program there with the same arguments and exit status; the
# client comes with the launcher when this user runs none.
#
# Installed as <prefix>/bin/quorvi (the client) and <prefix>/bin/quorvi-vamo
# (the launcher); the name it is started under picks the program.
set -u

name=$(basename "$0")
case $name in
*-vamo) program=vamo ;;
*) program=quorvi ;;
esac

prefix=$(cd "$(dirname "$(readlink -f "$0")")/.." && pwd)
pristine=$prefix/lib/quorvi
installed_version=$(cat "$prefix/share/quorvi/package-version" 2>/dev/null) || installed_version=

# The XDG base directory rule: an unset, empty or relative value means the default.
case ${XDG_DATA_HOME:-} in
/*) data_home=$XDG_DATA_HOME ;;
*) data_home=${HOME:-}/.local/share ;;
esac
folder=$data_home/quorvi
stamp=$folder/.package-files

# A clear message on standard error and, on a desktop, in a message box; then
# the start ends with status 1.
fail() {
    message="Quorvi cannot start: $1"
    printf '%s: %s\n' "$name" "$message" >&2
    if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
        if command -v zenity >/dev/null 2>&1; then
            zenity --error --title=Quorvi --no-wrap --text="$message" >/dev/null 2>&1
        elif command -v xmessage >/dev/null 2>&1; then
            xmessage -center "$message" >/dev/null 2>&1
        fi
    fi
    exit 1
}

unwritable() {
    fail "its program folder $folder cannot be written ($1). Make the folder writable for you, or free some space, and start it again."
}

if [ ! -d "$pristine" ] || [ -z "$installed_version" ]; then
    fail "the installed program folder $pristine is missing; reinstall the quorvi package."
fi

# The package's files, relative to the pristine folder, one a line.
package_files() {
    (cd "$pristine" && find . -type f | sed 's|^\./||' | sort)
}

# Copies the package's files read, one a line, into the user's folder. Each
# file is removed before it is written, so a program that is running keeps
# its old file.
copy_in() {
    (cd "$pristine" && xargs -r -d '\n' cp -p --parents --remove-destination -t "$folder" --)
}

# Writes the stamp: the version, then "digest  file" lines of the package's
# files as the folder now holds them. Written last, through a rename, so a
# start interrupted halfway seeds or refreshes again next time.
write_stamp() {
    {
        printf 'version %s\n' "$installed_version"
        package_files | (cd "$folder" && xargs -r -d '\n' md5sum --)
    } >"$stamp.new" && mv -f "$stamp.new" "$stamp"
}

# Files of the stamp that the programs' own update replaced since (their
# digest differs, or a side file waits for them), one a line.
updated_by_itself() {
    (cd "$folder" && sed 1d "$stamp" | md5sum -c --quiet - 2>/dev/null) | sed -n 's/: FAILED.*$//p'
    sed 1d "$stamp" | while IFS= read -r line; do
        file=${line#*  }
        [ ! -e "$folder/$file.vmupdate" ] || printf '%s\n' "$file"
    done
}

is_program() {
    case $1 in
    *.so) return 0 ;;
    esac
    [ -x "$pristine/$1" ]
}

# Whether one of the files read, one a line, is a program or module.
holds_program() {
    while IFS= read -r file; do
        is_program "$file" && return 0
    done
    return 1
}

seed() {
    package_files | copy_in
}

# Returns 3 when the folder updated itself past the package (left alone).
refresh() {
    kept=$(updated_by_itself)
    if [ -z "$kept" ]; then
        package_files | copy_in
    elif printf '%s\n' "$kept" | holds_program; then
        return 3
    else
        package_files | grep -Fvx -e "$kept" | copy_in
    fi
}

# The final updater ends the client while no launcher runs, so the client
# comes with the launcher, as it does when run from the build. Started under
# the lock, which it does not inherit, and waited for until it is seen, so
# that starts at the same time start one.
start_launcher() {
    # A launcher that has ended but is not yet reaped (a zombie) does not count.
    launcher_runs() {
        ps -u "$(id -u)" -o stat=,comm= 2>/dev/null |
            awk '$1 !~ /^Z/ && $2 == "vamo" { found = 1 } END { exit !found }'
    }
    launcher_runs && return
    ("$folder/vamo" 9>&- </dev/null >/dev/null 2>&1 &)
    tries=0
    while [ "$tries" -lt 20 ] && ! launcher_runs; do
        sleep 0.05
        tries=$((tries + 1))
    done
}

error=$({ mkdir -p "$folder" && : >>"$folder/.starter.lock"; } 2>&1) ||
    unwritable "${error##*: }"

# One start at a time prepares the folder; the lock is let go before the program runs.
exec 9>>"$folder/.starter.lock"
flock 9 || fail "the lock of $folder cannot be taken."

stamp_version=$(sed -n '1s/^version //p' "$stamp" 2>/dev/null)
if [ -z "$stamp_version" ]; then
    error=$(seed 2>&1 && write_stamp 2>&1) || unwritable "${error##*: }"
elif dpkg --compare-versions "$installed_version" gt "$stamp_version"; then
    error=$(refresh 2>&1)
    case $? in
    0) error=$(write_stamp 2>&1) || unwritable "${error##*: }" ;;
    3) ;;
    *) unwritable "${error##*: }" ;;
    esac
fi
cd "$folder" || unwritable "it cannot be entered"
[ "$program" != quorvi ] || start_launcher
exec 9>&-
exec "$folder/$program" "$@"
