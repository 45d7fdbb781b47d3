#!/bin/bash
# The starter on the unpacked package with temporary homes: a first start seeds
# the user's folder; a newer package refreshes it and keeps the user's files
# and what the programs updated themselves; a folder whose own update replaced
# a program is left alone; starts at once; a data folder that cannot be written.
# Usage: starter_test.sh PACKAGE_DIR
set -u
dir=$1
deb=$(ls "$dir"/quorvi_*.deb) || exit 1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
chmod 755 "$work"
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# Runs a starter without a display, for the user whose home is $1.
start() {
    local home=$1
    shift
    env -u DISPLAY -u WAYLAND_DISPLAY -u XDG_DATA_HOME HOME="$home" "$@"
}

# Whether the user's folder $1 holds exactly the package tree $2's program
# folder, besides the starter's own files and the files named after $3...
same_as_package() {
    local folder=$1 root=$2
    shift 2
    local extra
    extra=$(diff -rq "$root/usr/lib/quorvi" "$folder" | grep -v -e ': \.package-files$' -e ': \.starter\.lock$')
    for skip in "$@"; do extra=$(grep -v -- "$skip" <<<"$extra"); done
    [ -z "$extra" ] || { echo "$extra"; return 1; }
    (cd "$folder" && sed 1d .package-files | md5sum --quiet -c -) || return 1
    [ "$(head -1 "$folder/.package-files")" = "version $(cat "$root/usr/share/quorvi/package-version")" ]
}

# A newer package made from the tree $1 as $2 with version $3: its programs
# are scripts that print their name ($4) and arguments and end with status 7.
newer_package() {
    cp -a "$1" "$2"
    echo "$3" >"$2/usr/share/quorvi/package-version"
    for program in quorvi vamo; do
        # shellcheck disable=SC2016  # the program's own text
        printf '#!/bin/sh\necho "$PWD" >>"$HOME/%s-ran"\nprintf "%%s|" %s-%s "$@"\nexit 7\n' \
            "$program" "$program" "$4" >"$2/usr/lib/quorvi/$program"
    done
    echo "<!-- $4 -->" >>"$2/usr/lib/quorvi/skin/quorvi/skin.xml"
    echo "$4" >>"$2/usr/lib/quorvi/skin/quorvi/logo.png"
}

dpkg-deb -x "$deb" "$work/pkg1"
version=$(cat "$work/pkg1/usr/share/quorvi/package-version")
newer_package "$work/pkg1" "$work/pkg2" "$version.1" 2
newer_package "$work/pkg2" "$work/pkg3" "$version.2" 3

# ---- seeding: the real client, which ends at once without a display ------------------------
home=$work/home1
folder=$home/.local/share/quorvi
mkdir -p "$home"
start "$home" "$work/pkg1/usr/bin/quorvi" >/dev/null 2>&1
status=$?
[ "$status" -eq 0 ] || fail "the first start ended with $status"
same_as_package "$folder" "$work/pkg1" || fail "the first start did not seed the folder from the package"

# ---- refresh on a newer package, the user's files kept -------------------------------------
# What the programs and the user keep in the folder, and a data file that the
# programs' own update replaced (newer than the seeded one: it stays).
for file in vamo.db apps.xml apps.xml.update vamouser.dll filesinfo.txt \
    skin/quorvi/app_calc.png skin/quorvi/images/app_7.png plugins/calc/calc.sh \
    skin/quorvi/menu.xml.vmupdate skin/quorvi/login.xml.tmp; do
    mkdir -p "$(dirname "$folder/$file")"
    echo "the user's $file" >"$folder/$file"
done
echo "updated by itself" >>"$folder/skin/quorvi/logo.png"
cp -a "$folder" "$work/before"
output=$(start "$home" "$work/pkg2/usr/bin/quorvi" a 'b c')
status=$?
[ "$status" -eq 7 ] || fail "the refreshed start ended with $status, the program's status is 7"
[ "$output" = "quorvi-2|a|b c|" ] || fail "the refreshed start ran '$output'"
same_as_package "$folder" "$work/pkg2" vamo.db apps.xml vamouser.dll filesinfo.txt \
    app_calc.png app_7.png plugins menu.xml.vmupdate login.xml.tmp logo.png ||
    fail "the newer package did not refresh the folder"
for file in vamo.db apps.xml apps.xml.update vamouser.dll filesinfo.txt skin/quorvi/app_calc.png \
    skin/quorvi/images/app_7.png plugins/calc/calc.sh skin/quorvi/menu.xml.vmupdate \
    skin/quorvi/login.xml.tmp skin/quorvi/logo.png; do
    cmp -s "$work/before/$file" "$folder/$file" || fail "the refresh changed the user's $file"
done
# The client came with the launcher, both run in the user's folder.
for _ in $(seq 100); do
    [ ! -s "$home/vamo-ran" ] || break
    sleep 0.1
done
[ "$(cat "$home/vamo-ran" 2>/dev/null)" = "$folder" ] || fail "the client's start did not start the launcher"
output=$(start "$home" "$work/pkg2/usr/bin/quorvi-vamo" x)
[ "$output" = "vamo-2|x|" ] || fail "quorvi-vamo ran '$output'"
# An older package installed again changes nothing.
start "$home" "$work/pkg1/usr/bin/quorvi" >/dev/null 2>&1
cmp -s "$folder/quorvi" "$work/pkg2/usr/lib/quorvi/quorvi" || fail "an older package replaced the client"

# ---- a folder that updated itself past the package is left alone ----------------------------
printf '#!/bin/sh\nprintf "%%s|" quorvi-portal "$@"\n' >"$folder/quorvi"
cp -a "$folder" "$work/updated"
output=$(start "$home" "$work/pkg3/usr/bin/quorvi")
[ "$output" = "quorvi-portal|" ] || fail "the self-updated folder ran '$output'"
diff -r "$work/updated" "$folder" || fail "the newer package changed a self-updated folder"
# The same for a program replacement that is still pending as a side file.
home=$work/home2
mkdir -p "$home"
start "$home" "$work/pkg2/usr/bin/quorvi" >/dev/null
echo "the portal's updater" >"$home/.local/share/quorvi/updrix.vmupdate"
output=$(start "$home" "$work/pkg3/usr/bin/quorvi")
[ "$output" = "quorvi-2|" ] || fail "a folder with a program's side file ran '$output'"

# ---- starts at once ---------------------------------------------------------------------------
home=$work/home3
mkdir -p "$home"
pids=()
for n in 1 2 3 4; do
    env -u DISPLAY HOME="$home" XDG_DATA_HOME="$work/data" "$work/pkg2/usr/bin/quorvi" "$n" \
        >"$work/at-once-$n" 2>&1 &
    pids+=($!)
done
for n in 1 2 3 4; do
    wait "${pids[$((n - 1))]}"
    status=$?
    if [ "$status" -ne 7 ] || [ "$(cat "$work/at-once-$n")" != "quorvi-2|$n|" ]; then
        fail "start $n at once ended with $status: $(cat "$work/at-once-$n")"
    fi
done
same_as_package "$work/data/quorvi" "$work/pkg2" || fail "starts at once left the folder broken"
[ ! -e "$home/.local/share/quorvi" ] || fail "XDG_DATA_HOME was not used"

# ---- a data folder that cannot be written ---------------------------------------------------
# An ordinary user whose home it cannot write in; root would write anyway.
home=$work/home4
mkdir -p "$home" "$work/bin"
chmod 555 "$home"
printf '#!/bin/sh\nprintf "%%s\\n" "$@" >"%s/message-box"\n' "$work" >"$work/bin/zenity"
chmod 755 "$work/bin/zenity"
touch "$work/message-box"
chmod 666 "$work/message-box"
as_user=()
[ "$(id -u)" -ne 0 ] || as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
"${as_user[@]}" env -i HOME="$home" PATH="$work/bin:/usr/bin:/bin" DISPLAY=:77 \
    "$work/pkg1/usr/bin/quorvi" >/dev/null 2>"$work/stderr"
status=$?
[ "$status" -eq 1 ] || fail "an unwritable data folder ended with $status"
grep -q "$home/.local/share/quorvi cannot be written (Permission denied)" "$work/stderr" ||
    fail "no clear message on standard error: $(cat "$work/stderr")"
grep -q "cannot be written" "$work/message-box" || fail "no message box: $(cat "$work/message-box")"

echo "$failures failure(s)"
[ "$failures" -eq 0 ]
