# Debian packages the build needs, sourced by the run and test scripts.
# librsvg2-bin draws the icon's sizes from its SVG.
BUILD_PACKAGES=(g++ cmake make pkg-config qt6-base-dev libgl-dev fonts-dejavu-core libxlsxwriter-dev librsvg2-bin)
TEST_PACKAGES=(libgtest-dev xvfb xauth xdotool xclip x11-utils python3 desktop-file-utils clang libclang-rt-14-dev
               shared-mime-info python3-pyatspi at-spi2-core dbus-x11
               # Independent readers of the .xlsx export.
               python3-openpyxl gnumeric libreoffice-calc-nogui)
# For scripts/package, which builds and checks the Debian package.
PACKAGE_PACKAGES=(dpkg-dev file lintian help2man appstream desktop-file-utils)
# The bench times Start through the window too, on a private X server.
BENCH_PACKAGES=(g++ cmake make pkg-config libbenchmark-dev qt6-base-dev libgl-dev fonts-dejavu-core libxlsxwriter-dev librsvg2-bin
                xvfb xauth xdotool x11-utils python3)
# Only for scripts/screenshot and scripts/triangle_screenshots.py, which take the README's pictures.
SCREENSHOT_PACKAGES=(xvfb xdotool x11-utils imagemagick openbox python3)
