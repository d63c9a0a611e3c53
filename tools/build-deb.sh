#!/usr/bin/env bash
# Builds the Debian package from the release configuration and checks it:
# shows its control data and contents and runs lintian over it. The package
# ends up in build/release/tavikclient_<version>_<arch>.deb.
#
#   tools/build-deb.sh
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset release >/dev/null
# The whole tree, tests and benchmarks included: every target must build with
# warnings as errors at -O3 too, where GCC sees more than in the debug build.
cmake --build --preset release
rm -f build/release/tavikclient_*.deb
(cd build/release && cpack -G DEB)
deb=$(ls build/release/tavikclient_*.deb)

echo "=== dpkg-deb --info $deb"
dpkg-deb --info "$deb"
echo "=== dpkg-deb --contents $deb"
dpkg-deb --contents "$deb"

# The package must name its libraries and hold the files a desktop needs.
control=$(dpkg-deb --field "$deb" Depends)
for dep in libqt6widgets6 libqt6network6 libqt6multimedia6 libc6 libstdc++6 fonts-dejavu-core; do
    grep -q "$dep" <<<"$control" || { echo "build-deb: Depends lacks $dep: $control" >&2; exit 1; }
done
contents=$(dpkg-deb --contents "$deb")
for f in ./usr/bin/tavikclient ./usr/bin/tavikserver ./usr/share/applications/de.tavikclient.TavikClient.desktop \
    ./usr/share/metainfo/de.tavikclient.TavikClient.metainfo.xml \
    ./usr/share/icons/hicolor/48x48/apps/de.tavikclient.TavikClient.png ./usr/share/man/man1/tavikclient.1.gz \
    ./usr/share/doc/tavikclient/copyright ./usr/share/tavikclient/fonts/; do
    grep -q " $f\$" <<<"$contents" || { echo "build-deb: the package lacks $f" >&2; exit 1; }
done

echo "=== lintian $deb"
# Errors fail the build; warnings are shown.
lintian --fail-on error --tag-display-limit 0 "$deb"
echo "build-deb: $deb is fine"
