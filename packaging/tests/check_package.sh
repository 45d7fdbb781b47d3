#!/bin/bash
# Checks the Debian package made by build_package.sh: its files, its control
# fields, the desktop entries, the AppStream metainfo and lintian's verdict.
# Usage: check_package.sh SOURCE_DIR PACKAGE_DIR
set -u
source=$1 dir=$2
deb=$(ls "$dir"/quorvi_*.deb) || exit 1
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# ---- files ------------------------------------------------------------------------------
files=$(dpkg-deb --fsys-tarfile "$deb" | tar -t | sed 's|^\./||')
for wanted in usr/bin/quorvi usr/bin/quorvi-vamo \
    usr/lib/quorvi/quorvi usr/lib/quorvi/vamo usr/lib/quorvi/updrix \
    usr/lib/quorvi/libmerv.so usr/lib/quorvi/vamo.so usr/lib/quorvi/libquorvi-web.so \
    usr/lib/quorvi/libquorvi-http.so \
    usr/lib/quorvi/skin/quorvi/skin.xml usr/lib/quorvi/skin/quorvi/vamo.xml \
    usr/lib/quorvi/skin/quorvi/images/app.png \
    usr/share/quorvi/package-version \
    usr/share/applications/org.quorvi.Quorvi.desktop \
    usr/share/applications/org.quorvi.Quorvi.Vamo.desktop \
    usr/share/metainfo/org.quorvi.Quorvi.metainfo.xml \
    usr/share/icons/hicolor/16x16/apps/quorvi.png usr/share/icons/hicolor/48x48/apps/quorvi.png \
    usr/share/icons/hicolor/64x64/apps/quorvi.png \
    usr/share/doc/quorvi/copyright usr/share/doc/quorvi/changelog.gz; do
    grep -qx "$wanted" <<<"$files" || fail "the package lacks $wanted"
done
# What belongs to a user's folder, the portal or the build never goes in.
unwanted=$(grep -E '(vamo\.db|apps\.xml|filesinfo\.txt|vamouser\.dll|\.vmupdate|\.tmp)$|/plugins/|quorvi-portal|portal-data|/skin/quorvi/(app|nav)_[a-z]+\.png$' <<<"$files")
[ -z "$unwanted" ] || fail "the package holds files of a user's folder or of the build: $unwanted"

# ---- control fields ----------------------------------------------------------------------
client_version=$(sed -n 's/.*kClientVersion = "\([^"]*\)".*/\1/p' "$source/client/common/portal_urls.h")
[ "$(dpkg-deb -f "$deb" Version)" = "$client_version" ] ||
    fail "version $(dpkg-deb -f "$deb" Version), the client's is $client_version"
depends=$(dpkg-deb -f "$deb" Depends)
for library in libc6 libgtk-3-0 libwebkit2gtk-4.1-0 libcurl4 libsqlite3-0 libjsoncpp25; do
    grep -q "\b$library\b" <<<"$depends" || fail "Depends lacks $library: $depends"
done

# ---- desktop entries and metainfo ----------------------------------------------------------
root=$dir/root
rm -rf "$root"
dpkg-deb -x "$deb" "$root"
for entry in "$root"/usr/share/applications/*.desktop; do
    desktop-file-validate "$entry" || fail "desktop-file-validate: $entry"
    command=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")
    [ -x "$root/usr/bin/$command" ] || fail "$entry starts $command, which is not in usr/bin"
    icon=$(sed -n 's/^Icon=//p' "$entry")
    [ -e "$root/usr/share/icons/hicolor/48x48/apps/$icon.png" ] || fail "$entry: no icon $icon"
done
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml || fail "appstreamcli validate"
grep -q "<release version=\"$client_version\"" "$root"/usr/share/metainfo/*.metainfo.xml ||
    fail "the metainfo does not name the release $client_version"

# ---- lintian --------------------------------------------------------------------------------
lintian --fail-on error --no-tag-display-limit "$deb" || fail "lintian reports errors"

echo "$failures failure(s)"
[ "$failures" -eq 0 ]
