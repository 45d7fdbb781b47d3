#!/usr/bin/env bash
# Installs the Debian packages listed in packages.txt that are missing, then
# configures and builds the project into build/ (or $QUORVI_BUILD_DIR). Used by
# ./run and ./test.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$top"

missing=()
while read -r pkg; do
  [[ -z "$pkg" || "$pkg" == \#* ]] && continue
  dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
done < packages.txt

if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  sudo_cmd=()
  [[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}" >/dev/null
fi

# Warnings are errors here (QUORVI_CMAKE_ARGS may say -DQUORVI_WERROR=OFF). The
# configure output is shown only when configuring fails.
build_dir=${QUORVI_BUILD_DIR:-build}
configure_log=$(mktemp)
# shellcheck disable=SC2086  # QUORVI_CMAKE_ARGS holds several words
if ! cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVI_WERROR=ON \
    ${QUORVI_CMAKE_ARGS:-} >"$configure_log" 2>&1; then
  cat "$configure_log" >&2
  rm -f "$configure_log"
  echo "setup: configuring $build_dir failed (output above)" >&2
  exit 1
fi
rm -f "$configure_log"
cmake --build "$build_dir" -j"$(nproc)"
