# Debian packages the build needs, sourced by the run and test scripts.
BUILD_PACKAGES=(g++ cmake make qt6-base-dev libgl-dev fonts-dejavu-core)
TEST_PACKAGES=(libgtest-dev xvfb xauth xdotool x11-utils desktop-file-utils clang libclang-rt-14-dev)
